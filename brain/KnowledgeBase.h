// The knowledge base files: line grammar, readers and writers.
// A line ends at CR; an LF right after the CR belongs to the line end; a lone LF is an
// ordinary byte; byte 26 ends the file; a last line without a line end counts.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "Classes.h"
#include "Platform.h"

inline constexpr char kAnswersFile[] = "Brain\\Answers.brain";
inline constexpr char kGreetingsFile[] = "Brain\\Greetings.brain";
inline constexpr char kDialogFile[] = "Brain\\Dialog.brain";

// Reads a file line by line in the grammar above. Opening raises EInOutError.
class TBrainReader {
 public:
  explicit TBrainReader(const TPath& path);
  // Reads an open file from its current position, for instance a MemoryFile.
  explicit TBrainReader(std::unique_ptr<PlatformFile> file);
  ~TBrainReader();
  TBrainReader(const TBrainReader&) = delete;
  TBrainReader& operator=(const TBrainReader&) = delete;

  // False at the end of the file.
  bool ReadLine(std::string& line);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Every line of a list file, in file order.
TStringList ReadListFile(const TPath& path);

// One keyword pass: opens the file and reads from its top to the first line equal to
// `line`, byte for byte.
bool FileHasLine(const TPath& path, std::string_view line);

// The answers of every block headed by a line equal to the keyword, in file order.
TStringList GatherBlockAnswers(const TPath& path, std::string_view keyword);

// Appends one block to an existing Answers.brain: the non-empty keywords, "!", the
// non-empty lines among the first five answer lines, ".". A Ctrl-Z among the last 128
// bytes cuts the file there first. A failed append leaves the file as it was.
void AppendBlock(const TPath& path, std::span<const std::string> keywords,
                 std::span<const std::string> answerLines);

// Replaces a list file with `text` exactly. Written beside the target first, so a failure
// leaves the old file untouched.
void RewriteListFile(const TPath& path, std::string_view text);
