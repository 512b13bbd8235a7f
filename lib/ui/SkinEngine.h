#pragma once
#include <QString>

class QWidget;

namespace olvaris {

// The skin engine: a skin is a Qt style sheet in a text file. The window
// reaches the engine through these calls only (their dispatch numbers in
// brackets), in the order start-up makes them.
class SkinEngine {
public:
    // Option bit 0: the skin is switched on (without it, applying removes it).
    static constexpr int SkinActive = 1;

    virtual ~SkinEngine() = default;
    // [2] Reads and checks the skin file; the second argument names a section
    // of a skin file that holds several (empty: the whole file).
    virtual void LoadSkin(const QString& path, const QString& section) = 0;
    // [1] The option mask.
    virtual int options() const = 0;
    virtual void setOptions(int mask) = 0;
    // [5] Dialogs and message boxes opened by the program take the skin too.
    virtual void setApplyToDialogs(bool on) = 0;
    // [10] Tool tips take the skin too.
    virtual void setApplyToToolTips(bool on) = 0;
    // [3] Applies the loaded skin to a window.
    virtual void ApplyWindow(QWidget* window) = 0;
};

// The engine of the program: applies the style sheet with Qt.
class StyleSheetSkinEngine : public SkinEngine {
public:
    static constexpr qint64 LargestSkinFile = qint64(1) << 20;

    void LoadSkin(const QString& path, const QString& section) override;
    int options() const override { return m_options; }
    void setOptions(int mask) override { m_options = mask; }
    void setApplyToDialogs(bool on) override { m_applyToDialogs = on; }
    void setApplyToToolTips(bool on) override { m_applyToToolTips = on; }
    void ApplyWindow(QWidget* window) override;

private:
    QString m_styleSheet;
    int m_options = 0;
    bool m_applyToDialogs = false;
    bool m_applyToToolTips = false;
};

} // namespace olvaris
