#pragma once
// Where a command's words go: human-readable lines on stdout, or, with --json, the
// one JSON document on stdout and the human lines on stderr.

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/CliOptions.h"

namespace vantor::cli {

// The stream for human-readable lines.
std::FILE* HumanStream(const CommonOptions& options);
// True when `stream` is a terminal (the progress bar is drawn in place there).
bool IsTerminal(std::FILE* stream);
// A line for a person; the JSON document stands in for these lines with --json.
void Say(const CommonOptions& options, const std::string& line);
// An error: "vantor-update: <text>" on stderr, and with --json {"error": text,
// "exitCode": code} on stdout. Returns `exitCode`.
int Fail(const CommonOptions& options, int exitCode, const std::string& text);
void EmitJson(const nlohmann::json& document);
// "0x2dc8"
std::string Hex16(unsigned value);
std::string Hex32(unsigned long value);

}  // namespace vantor::cli
