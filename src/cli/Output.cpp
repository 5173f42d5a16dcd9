#include "cli/Output.h"

#include <cerrno>
#include <csignal>

#include "base/Format.h"
#include "cli/ConsoleText.h"
#include "cli/InterruptWatcher.h"
#include "cli/TerminalSize.h"
#include "cli/TextColumns.h"

#ifdef _WIN32
#include <io.h>
#define VANTOR_ISATTY _isatty
#define VANTOR_FILENO _fileno
#else
#include <unistd.h>
#define VANTOR_ISATTY isatty
#define VANTOR_FILENO fileno
#endif

namespace vantor::cli {
namespace {

void WriteBytes(std::FILE* stream, const std::string& bytes) {
  errno = 0;
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  if (std::fflush(stream) == 0 && !std::ferror(stream)) return;
#ifndef _WIN32
  // The reader has gone (`| head`): as if SIGPIPE had come, without dying of it.
  if (errno == EPIPE) {
    if (InterruptWatcher* watcher = InterruptWatcher::Current()) watcher->Fire(SIGPIPE);
  }
#endif
  std::clearerr(stream);
}

}  // namespace

std::FILE* HumanStream(const CommonOptions& options) { return options.json ? stderr : stdout; }

bool IsTerminal(std::FILE* stream) { return VANTOR_ISATTY(VANTOR_FILENO(stream)) != 0; }

void WriteText(std::FILE* stream, const std::string& text) {
  // Sentences on a terminal are broken at its width, between words; a pipe or a log
  // gets them whole. A line redrawn in place (the bar, the board) is fitted already.
  const bool redrawn = text.find_first_of("\r\x1b") != std::string::npos;
  const bool wrap = !redrawn && IsTerminal(stream);
  WriteBytes(stream, ToConsole(wrap ? WrapToWidth(text, TerminalColumns(stream)) : text));
}

void Say(const CommonOptions& options, const std::string& line) {
  if (options.json || options.quiet) return;
  WriteText(HumanStream(options), line + "\n");
}

void SayResult(const CommonOptions& options, const std::string& line) {
  if (options.json) return;
  WriteText(HumanStream(options), line + "\n");
}

int Fail(const CommonOptions& options, int exitCode, const std::string& code, const std::string& text) {
  WriteText(stderr, "vantor-update: " + text + "\n");
  if (options.json) {
    nlohmann::json document = JsonDocument(options);
    document["error"] = code;
    document["message"] = text;
    document["exitCode"] = exitCode;
    EmitJson(document);
  }
  return exitCode;
}

nlohmann::json JsonDocument(const CommonOptions& options) {
  return nlohmann::json{{"schemaVersion", kJsonSchemaVersion}, {"command", options.command}};
}

void EmitJson(const nlohmann::json& document) {
  WriteBytes(stdout, document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

void EmitJsonLine(const nlohmann::json& document) {
  WriteBytes(stdout, document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

nlohmann::json VersionJson(std::uint16_t version, std::uint16_t beta) {
  return {{"version", version}, {"beta", beta}, {"display", VersionText(version, beta)}};
}

std::string VersionText(std::uint16_t version, std::uint16_t beta) {
  const std::string number = Format("%u.%02u", version / 100u, version % 100u);
  return beta == 0 ? number : Format("%s beta%u", number.c_str(), static_cast<unsigned>(beta));
}

std::string Hex16(unsigned value) { return Format("0x%04x", value & 0xFFFFu); }
std::string Hex32(unsigned long value) { return Format("0x%08lx", value & 0xFFFFFFFFul); }

}  // namespace vantor::cli
