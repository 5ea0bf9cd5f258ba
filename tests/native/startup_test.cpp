// Tests of the start-up decisions: when the password prompt is shown and when
// the main window may open, with a prompt that types a given answer.
#include "model/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "model/config_cipher.h"
#include "model/config_file.h"

namespace rdc {
namespace {

// Stands in for the prompt: "types" its answer, confirms it with OK once, and
// records what the start-up had filled in when it was shown.
class FakePrompt : public LoginPrompt {
 public:
  explicit FakePrompt(std::string typed = "") : typed_(std::move(typed)) {}

  void Show(AppState& state) override {
    ++shown;
    passwordWhenShown = state.startupPassword;
    if (IsStartupPasswordAccepted(typed_, state.startupPassword)) state.accessGranted = true;
  }

  int shown = 0;
  std::string passwordWhenShown;

 private:
  std::string typed_;
};

std::string FileWithPassword(std::string_view password) {
  const ServerList list = {ServerEntry{"10.0.0.1", "3389", "admin", "pw", "", {}}};
  return ConfigCipher(ComposeConfigText(list, {}, password));
}

TEST(RunStartupTest, MissingFileOpensWithoutPrompt) {
  AppState state;
  FakePrompt prompt;
  EXPECT_TRUE(RunStartup(state, "", prompt));
  EXPECT_EQ(prompt.shown, 0);
  EXPECT_TRUE(state.accessGranted);
  EXPECT_EQ(state.loadedConfig, "");
  EXPECT_EQ(state.startupPassword, "");
}

TEST(RunStartupTest, EmptyPasswordLineOpensWithoutPromptAndKeepsTheDecipheredText) {
  ServerList servers;
  AppendServer(servers, {"h", "1", "a", "", ""});
  const std::string plain =
      ComposeConfigText(servers, {.forceAdmin = true, .fullScreen = true}, "");
  AppState state;
  FakePrompt prompt;
  EXPECT_TRUE(RunStartup(state, ConfigCipher(plain), prompt));
  EXPECT_EQ(prompt.shown, 0);
  EXPECT_EQ(state.loadedConfig, plain);
  EXPECT_EQ(state.startupPassword, "");
  // Read once, here: the servers and the options are the run's from now on.
  ASSERT_EQ(state.servers.size(), 1u);
  EXPECT_EQ(state.servers[0].host, "h");
  EXPECT_TRUE(state.options.forceAdmin);
  EXPECT_TRUE(state.options.fullScreen);
}

TEST(RunStartupTest, FileOfAnotherKeyOpensWithoutPrompt) {
  const std::string plain = ComposeConfigText({}, {}, "secret");
  AppState state;
  FakePrompt prompt;
  EXPECT_TRUE(RunStartup(state, ConfigCipher(plain, "other key"), prompt));
  EXPECT_EQ(prompt.shown, 0);
  EXPECT_NE(state.loadedConfig, plain);
  EXPECT_EQ(state.startupPassword, "");
}

TEST(RunStartupTest, SetPasswordShowsThePromptWhichGrantsTheRightAnswer) {
  AppState state;
  FakePrompt prompt("secret");
  EXPECT_TRUE(RunStartup(state, FileWithPassword("secret"), prompt));
  EXPECT_EQ(prompt.shown, 1);
  EXPECT_EQ(prompt.passwordWhenShown, "secret");
  EXPECT_TRUE(state.accessGranted);
}

TEST(RunStartupTest, PromptClosedWithoutTheRightAnswerKeepsTheWayShut) {
  for (const char* typed : {"", "Secret", "wrong"}) {
    SCOPED_TRACE(typed);
    AppState state;
    FakePrompt prompt(typed);
    EXPECT_FALSE(RunStartup(state, FileWithPassword("secret"), prompt));
    EXPECT_EQ(prompt.shown, 1);
    EXPECT_FALSE(state.accessGranted);
  }
}

TEST(RunStartupTest, AStaleGrantDoesNotBypassThePrompt) {
  AppState state;
  state.accessGranted = true;
  FakePrompt prompt("wrong");
  EXPECT_FALSE(RunStartup(state, FileWithPassword("secret"), prompt));
  EXPECT_EQ(prompt.shown, 1);
}

TEST(RunStartupTest, TwoPasswordLinesAskForBothJoined) {
  const std::string plain = "#Start:0\r\n#LoadinPass:<a>\r\n#LoadinPass:<b>\r\n";
  AppState state;
  FakePrompt prompt("a");
  EXPECT_FALSE(RunStartup(state, ConfigCipher(plain), prompt));
  EXPECT_EQ(prompt.passwordWhenShown, "a||b");
}

struct AcceptCase {
  const char* typed;
  const char* stored;
  bool accepted;
};

TEST(IsStartupPasswordAcceptedTest, OnlyTheSameNonEmptyBytes) {
  const AcceptCase cases[] = {
      {"secret", "secret", true},
      {"\xC3\xDC\xC2\xEB", "\xC3\xDC\xC2\xEB", true},  // "密码"
      {"", "", false},
      {"", "secret", false},
      {"secret", "", false},
      {"Secret", "secret", false},
      {"secret ", "secret", false},
      {"secre", "secret", false},
  };
  for (const AcceptCase& c : cases) {
    EXPECT_EQ(IsStartupPasswordAccepted(c.typed, c.stored), c.accepted)
        << "typed \"" << c.typed << "\" stored \"" << c.stored << "\"";
  }
}

TEST(JudgeNewStartupPasswordTest, MismatchFirstThenTheMarkerThenEmpty) {
  using enum NewPasswordVerdict;
  struct Case {
    const char* newPassword;
    const char* repeat;
    NewPasswordVerdict verdict;
  };
  for (const Case& c :
       {Case{"", "x", Mismatch}, Case{"abc", "abC", Mismatch}, Case{"a>b", "a>", Mismatch},
        Case{"a>b", "a>b", HasCloseMarker}, Case{">", ">", HasCloseMarker},
        Case{"", "", AskToClear}, Case{"\xC3\xDC|#Start:1", "\xC3\xDC|#Start:1", Set}}) {
    SCOPED_TRACE(std::string(c.newPassword) + " / " + c.repeat);
    EXPECT_EQ(JudgeNewStartupPassword(c.newPassword, c.repeat), c.verdict);
  }
}

}  // namespace
}  // namespace rdc
