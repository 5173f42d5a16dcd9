#include "cli/Output.h"

#include "base/Format.h"

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

std::FILE* HumanStream(const CommonOptions& options) { return options.json ? stderr : stdout; }

bool IsTerminal(std::FILE* stream) { return VANTOR_ISATTY(VANTOR_FILENO(stream)) != 0; }

void Say(const CommonOptions& options, const std::string& line) {
  if (options.json) return;
  std::FILE* out = HumanStream(options);
  std::fputs(line.c_str(), out);
  std::fputc('\n', out);
  std::fflush(out);
}

int Fail(const CommonOptions& options, int exitCode, const std::string& text) {
  std::fprintf(stderr, "vantor-update: %s\n", text.c_str());
  if (options.json) EmitJson({{"error", text}, {"exitCode", exitCode}});
  return exitCode;
}

void EmitJson(const nlohmann::json& document) {
  const std::string text = document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string Hex16(unsigned value) { return Format("0x%04x", value & 0xFFFFu); }
std::string Hex32(unsigned long value) { return Format("0x%08lx", value & 0xFFFFFFFFul); }

}  // namespace vantor::cli
