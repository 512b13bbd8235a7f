#include "VerdictGroups.h"

namespace olvaris::listcheck {

const char* groupWords(VerdictGroup group) {
    switch (group) {
    case VerdictGroup::ToLookAt:
        return "to look at";
    case VerdictGroup::Corrected:
        return "corrected";
    case VerdictGroup::Fine:
        return "fine";
    case VerdictGroup::NoAddress:
        return "with no address";
    }
    return "";
}

std::uint32_t groupFill(VerdictGroup group) {
    switch (group) {
    case VerdictGroup::ToLookAt:
        return 0xF8CBAD;
    case VerdictGroup::Corrected:
        return 0xFFF2CC;
    case VerdictGroup::Fine:
        return 0xC6EFCE;
    case VerdictGroup::NoAddress:
        return 0xE7E6E6;
    }
    return 0xFFFFFF;
}

} // namespace olvaris::listcheck
