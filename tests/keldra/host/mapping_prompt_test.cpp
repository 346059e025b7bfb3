// The plug-in's prompt answered at the terminal: an answer that is refused says why, and the
// prompt is asked again.
#include <gtest/gtest.h>

#include <sstream>

#include "keldra/host/host_session.h"

namespace orvane::keldra {
namespace {

TEST(MappingPrompt, ARefusedAnswerSaysWhyAndThePromptIsAskedAgain) {
    std::ostringstream console, errors;
    std::istringstream input("three\n7\n 2 \n");
    HostLog log(console);
    HostSettings settings;
    settings.interactive = true;
    HostSession session(Workspace{}, settings, log, errors, input);
    EXPECT_EQ(session.integerInput("Which mapping?", 1, 1, 3), 2);
    const std::string said = console.str();
    EXPECT_NE(said.find("\"three\" is not a whole number."), std::string::npos) << said;
    EXPECT_NE(said.find("7 is not one of the choices 1 to 3."), std::string::npos) << said;
    EXPECT_TRUE(session.warnings().empty());
}

}  // namespace
}  // namespace orvane::keldra
