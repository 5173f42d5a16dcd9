// Start to a painted window: runs vantor-update-gui (emulated controller, so the probe
// is part of it) until its first paint, N times, and prints the median and the worst.
//   desktop_startup_bench PROGRAM [RUNS]
// The platform is the caller's (QT_QPA_PLATFORM=offscreen, or a display: xcb).

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: desktop_startup_bench PROGRAM [RUNS]\n");
    return 2;
  }
  const QString program = QString::fromLocal8Bit(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  std::vector<double> milliseconds;
  for (int run = 0; run < runs; ++run) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, {QStringLiteral("--simulate"), QStringLiteral("addressed"), QStringLiteral("--quit-when-painted")});
    if (!process.waitForFinished(10000) || process.exitCode() != 0) {
      std::fprintf(stderr, "run %d: the program did not end cleanly within 10 s\n", run + 1);
      return 1;
    }
    milliseconds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  std::printf("start to painted window: median %.0f ms, worst %.0f ms, best %.0f ms (%d runs)\n",
              milliseconds[milliseconds.size() / 2], milliseconds.back(), milliseconds.front(), runs);
  return 0;
}
