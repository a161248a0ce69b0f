// Every scenario folder, on the platform of the build: on Linux the memory platform, under Wine
// the prefix's real registry and files. The issues a scenario's fixture adds to what the
// platform already reports must be exactly its expected blocks.
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <sstream>

namespace mendrake::test {
namespace {

std::vector<std::string> ScenarioNames() {
    std::vector<std::string> names;
    std::istringstream list(MENDRAKE_SCENARIOS);
    for (std::string name; std::getline(list, name, ',');) {
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    return names;
}

class ScenarioTest : public testing::TestWithParam<std::string> {};

TEST_P(ScenarioTest, ReportsExactlyThePlantedEntries) {
    std::string expected;
    const std::string actual = RunScenario(GetParam(), &expected);
    EXPECT_EQ(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ScenarioTest, testing::ValuesIn(ScenarioNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

} // namespace
} // namespace mendrake::test
