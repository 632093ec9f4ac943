// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <vector>

// What the benchmarks share: the reference they are measured against and how
// runs are summed up.
namespace benchtiming {

// The middle value (the mean of the two middle ones for an even count);
// values must not be empty.
[[nodiscard]] double median(std::vector<double> values);

// Milliseconds that `find ROOT -type f` takes, its output thrown away. Ends
// the program with a message when find cannot run or fails.
[[nodiscard]] double timeFind(const QString &root);

} // namespace benchtiming
