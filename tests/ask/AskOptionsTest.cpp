#include <gtest/gtest.h>

#include "AskOptions.h"

namespace {

std::optional<TAskOptions> Parse(std::vector<std::string> arguments) {
  std::string error;
  auto options = ParseAskArguments(arguments, error);
  EXPECT_EQ(options.has_value(), error.empty()) << error;
  return options;
}

TEST(AskArguments, TakesEveryOptionInBothSpellings) {
  auto options = Parse({"--app-dir", "some dir", "--seed", "4294967295", "--date=1.2.3", "--tsv"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->appDir, "some dir");
  EXPECT_EQ(options->seed, 4294967295u);
  EXPECT_EQ(options->date, "1.2.3");
  EXPECT_TRUE(options->tsv);
  EXPECT_FALSE(options->check);

  auto defaults = Parse({});
  ASSERT_TRUE(defaults);
  EXPECT_FALSE(defaults->appDir || defaults->seed || defaults->date || defaults->tsv);

  auto check = Parse({"--check", "--app-dir=data"});
  ASSERT_TRUE(check);
  EXPECT_TRUE(check->check);
  EXPECT_EQ(check->appDir, "data");
  // An empty date is a date.
  EXPECT_EQ(Parse({"--date", ""})->date, "");
}

TEST(AskArguments, RefusesBadCommandLines) {
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--seed"},
           {"--seed", "-1"},
           {"--seed", "4294967296"},
           {"--seed", "12x"},
           {"--seed", ""},
           {"--seed", "99999999999999999999"},
           {"--app-dir", ""},
           {"--app-dir"},
           {"--tsv=1"},
           {"--check", "--seed", "1"},
           {"--check", "--tsv"},
           {"--check", "--date", "x"},
           {"question"},
           {"-x"},
       }) {
    std::string error;
    EXPECT_FALSE(ParseAskArguments(bad, error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(AskArguments, AppFolderEndsWithOneBackslash) {
  EXPECT_EQ(AppFolderFor("data"), "data\\");
  EXPECT_EQ(AppFolderFor("data\\"), "data\\");
  EXPECT_EQ(AppFolderFor("/srv/q/"), "/srv/q\\");
  EXPECT_EQ(AppFolderFor("/"), "\\");
  EXPECT_EQ(AppFolderFor("C:\\Program Files\\Q"), "C:\\Program Files\\Q\\");
}

TEST(AskTsv, EscapesBackslashLineEndsAndTabs) {
  EXPECT_EQ(TsvLine("answer", "plain \xCF\xF0\xE8\xE2\xE5\xF2"),
            "answer\tplain \xCF\xF0\xE8\xE2\xE5\xF2\n");
  EXPECT_EQ(TsvLine("error", "a\\b\nc\rd\te\\n"), "error\ta\\\\b\\nc\\rd\\te\\\\n\n");
  EXPECT_EQ(TsvLine("greeting", ""), "greeting\t\n");
}

}  // namespace
