#pragma once
// Texts only the command line shows, in the same two string tables as the dialog's.

#include <string>

#include "base/LocalizedText.h"
#include "package/FirmwarePackage.h"

namespace vantor::cli::text {
inline constexpr TextSlot kInterrupted = 19;         // Ctrl-C: stopped, boot mode still works
inline constexpr TextSlot kNoController = 20;        // nothing supported attached
inline constexpr TextSlot kNoPermission = 21;        // present, but the udev rule is missing
inline constexpr TextSlot kCancelled = 23;           // the user answered no
inline constexpr TextSlot kContinuePrompt = 24;      // "Continue? [y/N] "
inline constexpr TextSlot kNoFirmwareInstalled = 27;
inline constexpr TextSlot kCancelledNothingSent = 28;
inline constexpr TextSlot kDeclinedUseYes = 29;
inline constexpr TextSlot kOfferController = 30;
inline constexpr TextSlot kOfferInstalled = 31;
inline constexpr TextSlot kOfferNew = 32;
inline constexpr TextSlot kOfferOlder = 33;
inline constexpr TextSlot kOfferSame = 34;
inline constexpr TextSlot kOfferRadioWritten = 35;
inline constexpr TextSlot kOfferRadioKept = 36;
inline constexpr TextSlot kUpdateFailedBecause = 42;
inline constexpr TextSlot kNotInBootModeCli = 44;
inline constexpr TextSlot kWaiting = 45;
inline constexpr TextSlot kTimeLeft = 50;
inline constexpr TextSlot kLabelController = 51;
inline constexpr TextSlot kLabelProtocol = 52;
inline constexpr TextSlot kLabelFirmware = 53;
inline constexpr TextSlot kLabelDevice = 54;
inline constexpr TextSlot kLabelRadio = 55;
inline constexpr TextSlot kFirmwareNone = 56;
inline constexpr TextSlot kFirmwareNotReported = 57;
inline constexpr TextSlot kStoppedBySignal = 58;
// Why a package is refused: session/ResultWords.h (PackageProblemText).
// Why a package named on the command line cannot be read, each with the path.
inline constexpr TextSlot kFileNotFound = 71;
inline constexpr TextSlot kFilePermissionDenied = 72;
inline constexpr TextSlot kFileIsDirectory = 73;
inline constexpr TextSlot kFileNotRegular = 74;
inline constexpr TextSlot kFileCannotOpen = 75;  // the system's reason may follow
inline constexpr TextSlot kPackWrote = 76;       // the package's path and its number of sections
// What `inspect` finds wrong with the file as a whole, or with the controller asked about.
inline constexpr TextSlot kInspectCutInHeader = 78;
inline constexpr TextSlot kInspectSectionsCapped = 79;
inline constexpr TextSlot kInspectNothingForAsked = 80;
inline constexpr TextSlot kUnknownCommand = 81;
inline constexpr TextSlot kDidYouMean = 82;
inline constexpr TextSlot kWaitNegative = 160;  // the seconds typed
// Which firmware answered the probe: info's line, list's state.
inline constexpr TextSlot kLabelMode = 161;
inline constexpr TextSlot kModeBoot = 162;
inline constexpr TextSlot kModeNormal = 163;
inline constexpr TextSlot kModeNotReported = 164;
inline constexpr TextSlot kListNormalMode = 165;  // the version
inline constexpr TextSlot kListModeUnknown = 166;  // the version
// `verify FILE`: what is compared, and its verdict (it writes nothing, so asks nothing).
inline constexpr TextSlot kVerifyOfferPackage = 167;
inline constexpr TextSlot kVerifyReadsBack = 168;
inline constexpr TextSlot kVerifyRadioToo = 169;
inline constexpr TextSlot kVerifyMatches = 170;         // the package's path
inline constexpr TextSlot kVerifyDiffers = 171;         // the address, the package's path
inline constexpr TextSlot kVerifyNothingWritten = 172;  // the package's path
inline constexpr TextSlot kVerifyFailedBecause = 173;   // the stage, the reason
inline constexpr TextSlot kVerifyNextStep = 174;
inline constexpr TextSlot kVerifyStopped = 175;
inline constexpr TextSlot kVerifyFramed = 176;  // the controller
// A file that is no firmware package at all: flash's verdict, inspect's problem, the
// bench's refusal (the path), inspect's summary (the path, its length).
inline constexpr TextSlot kNotAPackage = 177;
inline constexpr TextSlot kBenchNotAPackage = 179;
inline constexpr TextSlot kInspectNotAPackage = 180;
// Choosing the controller, and the bench (--all, watch) and its lines.
inline constexpr TextSlot kSelectNoneAttached = 83;
inline constexpr TextSlot kSelectAttached = 84;
inline constexpr TextSlot kSelectNoMatch = 85;
inline constexpr TextSlot kSelectNameOne = 86;
inline constexpr TextSlot kSelectSeveral = 87;
inline constexpr TextSlot kSelectChooseOne = 88;
inline constexpr TextSlot kSelectChooseOneOnly = 407;  // where --all is no option
inline constexpr TextSlot kWaitTimedOut = 89;
inline constexpr TextSlot kVerifyUnavailable = 90;
inline constexpr TextSlot kInUseChooseAnother = 91;
inline constexpr TextSlot kInUseLeaveOut = 92;
inline constexpr TextSlot kBenchPackageUnusable = 93;
inline constexpr TextSlot kBenchNothingUpdated = 95;
inline constexpr TextSlot kBenchConfirmAll = 96;
inline constexpr TextSlot kBenchCouldNotOpen = 97;
inline constexpr TextSlot kBenchGone = 98;
inline constexpr TextSlot kBenchCannotOpen = 99;
inline constexpr TextSlot kBenchNoAnswer = 100;
inline constexpr TextSlot kBenchNoFirmwareFor = 101;
inline constexpr TextSlot kBenchRefusedFor = 102;
inline constexpr TextSlot kBenchInterrupted = 103;
inline constexpr TextSlot kBenchRunAgain = 104;
inline constexpr TextSlot kListInUse = 105;
inline constexpr TextSlot kListNoAnswer = 106;
inline constexpr TextSlot kListNoFirmware = 107;
inline constexpr TextSlot kListFirmware = 109;
inline constexpr TextSlot kWatchInUse = 110;
inline constexpr TextSlot kWatchNotUpdated = 111;
inline constexpr TextSlot kWatchCouldNotOpen = 112;
inline constexpr TextSlot kWatchConfirm = 113;
inline constexpr TextSlot kWatchWatching = 114;
inline constexpr TextSlot kPackStopped = 115;
inline constexpr TextSlot kControllerUnopenable = 116;
// The lines of `inspect`.
inline constexpr TextSlot kInspectFileSummary = 117;
inline constexpr TextSlot kInspectRunsPastEnd = 118;
inline constexpr TextSlot kInspectRadioSection = 119;
inline constexpr TextSlot kInspectRadioMissing = 120;
inline constexpr TextSlot kInspectRadioNone = 121;
inline constexpr TextSlot kInspectControllerSection = 122;
inline constexpr TextSlot kInspectControllerNoSection = 123;
inline constexpr TextSlot kInspectNoProblems = 124;
inline constexpr TextSlot kInspectProblem = 125;
// A controller's identity in a line: its serial number, its USB location.
inline constexpr TextSlot kSerialNumber = 126;
inline constexpr TextSlot kLocation = 127;
// watch's summary; --wait's line while it waits, and its end by Ctrl-C.
inline constexpr TextSlot kWatchSummary = 154;
inline constexpr TextSlot kWaitingForController = 155;
inline constexpr TextSlot kStoppedWaiting = 156;
// A bench unit's result on its row: "updated"; "failed (STAGE): REASON".
inline constexpr TextSlot kUnitUpdated = 400;
inline constexpr TextSlot kUnitFailed = 401;
// Mistakes on the command line; the line after them.
inline constexpr TextSlot kArgumentRequired = 402;
inline constexpr TextSlot kCommandRequired = 403;
inline constexpr TextSlot kUnexpectedArguments = 404;
inline constexpr TextSlot kBadArgument = 405;
inline constexpr TextSlot kSeeUsage = 406;
// Why `pack` refuses a --section description (the pair; the key; the key and value).
inline constexpr TextSlot kSectionNotKeyValue = 408;
inline constexpr TextSlot kSectionUnknownKey = 409;
inline constexpr TextSlot kSectionBadValue = 410;
inline constexpr TextSlot kSectionNeedsVersion = 411;
inline constexpr TextSlot kSectionNeedsOneImage = 412;
inline constexpr TextSlot kSectionNeedsAddress = 413;
// --sim-fault names no fault of the emulated controller, or of the bench (the name).
inline constexpr TextSlot kUnknownSimFault = 414;
inline constexpr TextSlot kUnknownBenchFault = 415;
// flash --dry-run: what would be written (size, version, address; size, version), and
// that the update could go ahead.
inline constexpr TextSlot kDryRunMain = 416;
inline constexpr TextSlot kDryRunRadio = 417;
inline constexpr TextSlot kDryRunRadioKept = 418;
inline constexpr TextSlot kDryRunReady = 419;
// --expect-sha256: the package is another (path, its digest, the one expected), or the
// digest typed is none (what was typed); the package could not be copied (the reason).
inline constexpr TextSlot kSha256Mismatch = 420;
inline constexpr TextSlot kSha256Malformed = 421;
inline constexpr TextSlot kSha256CannotCopy = 422;
// watch --journal FILE cannot be appended to (the path, the system's reason).
inline constexpr TextSlot kWatchLogUnwritable = 423;
// Why pack wrote no package: the file concerned and, where the system gives one, its
// reason (": REASON" in the user's punctuation).
inline constexpr TextSlot kPackNoSections = 424;
inline constexpr TextSlot kPackCannotCreate = 425;
inline constexpr TextSlot kPackCannotWrite = 426;
inline constexpr TextSlot kPackImageUnopenable = 427;
inline constexpr TextSlot kPackImageIsFolder = 428;
inline constexpr TextSlot kPackImageNotRegular = 429;
inline constexpr TextSlot kPackImageUnreadable = 430;
inline constexpr TextSlot kPackTooLarge = 431;
inline constexpr TextSlot kPackReason = 432;
}  // namespace vantor::cli::text
