// The answer engine: turns a typed question into the character's answer.
#pragma once

#include <string>

#include "Classes.h"

class TAnswerEngine {
 public:
  // The application folder ends with its backslash; the Brain files lie beneath it.
  explicit TAnswerEngine(TPath appFolder = {});

  void SetAppFolder(TPath appFolder) { appFolder_ = std::move(appFolder); }
  const TPath& AppFolder() const { return appFolder_; }
  const std::string& Question() const { return question_; }
  const std::string& Keyword() const { return keyword_; }
  const std::string& Answer() const { return answer_; }

  // The Enter key in the input field: answers `inputField` and clears it. Returns true
  // when the answer's ^ marker asks to close the window. Errors raise and leave the
  // field and the answer as they were.
  bool AnswerQuestion(std::string& inputField);
  // The start-up greeting: re-seed, pick a line of Greetings.brain, expand placeholders.
  void Greet();

  bool FindKeyword();
  TStringList GatherAnswers() const;
  std::string RandomDialogLine() const;
  std::string ExpandPlaceholders(const std::string& text) const;
  // Carries out the *, # and ^ markers; returns true for ^.
  bool ApplyMarkers(std::string& answer) const;

 private:
  TPath Path(const char* relative) const { return appFolder_ + relative; }

  TPath appFolder_;
  std::string question_;
  std::string keyword_;
  std::string answer_;
};
