#pragma once
// Where a command's words go: human-readable lines on stdout, or, with --json, the
// one JSON document on stdout and the human lines on stderr. Errors always go to
// stderr. Every write goes through here: human text is converted to the terminal's
// codeset, and a write to a closed pipe fails quietly and stops the command as SIGPIPE.

#include <cstdint>
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/CliOptions.h"

namespace vantor::cli {

// The version of the JSON documents' layout (docs/json.md); raised only when a field
// changes meaning or goes away.
inline constexpr int kJsonSchemaVersion = 1;

// The stream for human-readable lines.
std::FILE* HumanStream(const CommonOptions& options);
// True when `stream` is a terminal (the progress bar is drawn in place there).
bool IsTerminal(std::FILE* stream);
// Writes `text` (UTF-8) for a person: in the console's codeset, flushed. A closed pipe
// makes it fail quietly.
void WriteText(std::FILE* stream, const std::string& text);
// A line for a person; left out with --json (the document stands in for it) and with
// --quiet.
void Say(const CommonOptions& options, const std::string& line);
// The command's result line: left out with --json only.
void SayResult(const CommonOptions& options, const std::string& line);
// An error: "vantor-update: <text>" on stderr, and with --json {"error": code,
// "message": text, "exitCode": exitCode} on stdout. `code` is one of docs/json.md's
// stable error codes. Returns `exitCode`.
int Fail(const CommonOptions& options, int exitCode, const std::string& code, const std::string& text);
// Every document starts with these: {"schemaVersion": 1, "command": "..."}.
nlohmann::json JsonDocument(const CommonOptions& options);
void EmitJson(const nlohmann::json& document);
// One document on one line (`watch`: a line per controller as it ends).
void EmitJsonLine(const nlohmann::json& document);
// The one form of a version in JSON: {"version": 156, "beta": 0, "display": "1.56"}
// (`version` is the number times 100).
nlohmann::json VersionJson(std::uint16_t version, std::uint16_t beta);
// A version as users read it, two decimals: "1.56", "1.50 beta2".
std::string VersionText(std::uint16_t version, std::uint16_t beta);
// "0x2dc8"
std::string Hex16(unsigned value);
std::string Hex32(unsigned long value);

}  // namespace vantor::cli
