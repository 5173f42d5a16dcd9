#pragma once
// The options every subcommand shares.

#include <string>

namespace vantor::cli {

struct CommonOptions {
  std::string command;    // the subcommand run ("flash"), named in the JSON document
  std::string device;     // --device PATH|SERIAL|LOCATION: which of several controllers
  std::string simulate;   // --simulate framed|addressed[,...]: the emulated controllers
  bool all = false;       // --all (flash): every attached controller at once
  int waitSeconds = -2;   // --wait[=SECONDS]: -2 not given, -1 no limit
  bool verify = false;    // --verify (flash): read the written image back
  bool verifyOnly = false;  // `verify FILE`: the read-back alone, nothing written
  bool json = false;      // --json: one JSON document on stdout
  std::string language;   // --lang zh|en; empty: from the locale
  int verbosity = 0;      // -v: a readable trace; -vv: the debugger lines too
  bool quiet = false;     // -q: only the result and errors
  std::string logFile;    // --log FILE: the -vv trace, whatever the verbosity
  bool assumeYes = false; // --yes (flash)
  bool dryRun = false;    // --dry-run (flash): probe, lock and judge; nothing written
  std::string expectSha256;  // --expect-sha256 HEX (flash, watch): lower-case, 64 digits
  std::string packageCopy;  // the checked copy the update reads (--expect-sha256); empty: the file
  std::string watchLog;   // watch --journal FILE: one JSON line per unit appended

  // Hidden, for the end-to-end tests and demos of the simulated controller.
  bool virtualTime = false;  // run the emulated controller in virtual time
  std::string simFault;      // make the emulated controller misbehave in a named way
  std::string simDump;       // write the emulated flash here after the command
  std::string simSignalAt;   // "start" or "probe": raise SIGINT to itself there
  std::string simArrive;     // MS[,MS...]: when each emulated controller is plugged in
  bool simLeaveAfterUpdate = false;  // emulated controllers are unplugged after their update
};

}  // namespace vantor::cli
