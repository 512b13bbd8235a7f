#pragma once
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

namespace bench {

// How many times each timed figure is taken (--repeats N); one run on a
// shared machine can be off by twice.
inline int& repeats() {
    static int count = 5;
    return count;
}

// The goal of the window's figures: at most this many times the floor.
inline constexpr double Goal = 1.5;

// A figure taken several times: its median and its spread.
struct Figure {
    std::vector<double> samples;
    void add(double sample) { samples.push_back(sample); }
    double median() const {
        if (samples.empty())
            return 0;
        std::vector<double> sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        const size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }
    double min() const { return samples.empty() ? 0 : *std::min_element(samples.begin(), samples.end()); }
    double max() const { return samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end()); }
};

// The program and its floor taken in turn (program, floor, program,
// floor...), so a stretch in which the machine is slow slows both; the
// ratio is the median of the pairs' ratios.
struct Paired {
    Figure program, floor, ratio;
    void add(double programSeconds, double floorSeconds) {
        program.add(programSeconds);
        floor.add(floorSeconds);
        ratio.add(programSeconds / floorSeconds);
    }
};

// "0.233 s (0.221-0.250)": the median, then the least and the most.
inline QString seconds(const Figure& figure, int decimals = 3) {
    return QStringLiteral("%1 s (%2-%3)")
        .arg(figure.median(), 0, 'f', decimals)
        .arg(figure.min(), 0, 'f', decimals)
        .arg(figure.max(), 0, 'f', decimals);
}

// "1.34 (1.20-1.51)", marked "?" where the spread is wider than the median's
// distance from the goal: those runs cannot tell which side of it it is on.
inline QString ratio(const Figure& figure, double goal = Goal) {
    const bool unclear = figure.max() - figure.min() > std::abs(figure.median() - goal);
    return QStringLiteral("%1 (%2-%3)%4")
        .arg(figure.median(), 0, 'f', 2)
        .arg(figure.min(), 0, 'f', 2)
        .arg(figure.max(), 0, 'f', 2)
        .arg(unclear ? QStringLiteral(" ?") : QString());
}

} // namespace bench
