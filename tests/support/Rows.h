#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace zanvor::test {

// Runs `check` on every row of a table of cases. A failing ASSERT ends only its own row, and
// every failure names its row (by index, and by its `name` or `what` when the row has one), so
// one broken row does not hide the others.
template <typename Rows, typename Check>
void ForEachRow(const Rows& rows, Check check) {
    size_t index = 0;
    for (const auto& row : rows) {
        std::string label = "row " + std::to_string(index++);
        if constexpr (requires { std::string(row.name); }) {
            label += " (" + std::string(row.name) + ")";
        } else if constexpr (requires { std::string(row.what); }) {
            label += " (" + std::string(row.what) + ")";
        }
        SCOPED_TRACE(label);
        check(row);
    }
}

}  // namespace zanvor::test
