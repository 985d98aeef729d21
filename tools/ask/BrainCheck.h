// The Brain folder linter: reports what makes the knowledge base behave other than its
// author meant, in the readers' own line numbering.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "FilePath.h"

struct TBrainFinding {
  std::string file;  // "Answers.brain", "Greetings.brain" or "Dialog.brain"
  int line = 0;      // 0: the file as a whole
  std::string message;

  bool operator==(const TBrainFinding&) const = default;
};

enum class TListKind { Greetings, Dialog };

// Checks the bytes of one file as the readers see it.
std::vector<TBrainFinding> CheckAnswersFile(std::string_view bytes);
std::vector<TBrainFinding> CheckListFile(std::string_view bytes, TListKind kind);

// Checks the three files under appFolder + "Brain\"; a file that cannot be opened is a
// finding.
std::vector<TBrainFinding> CheckBrain(const TPath& appFolder);

// "Brain\FILE:LINE: message"
std::string FormatFinding(const TBrainFinding& finding);
