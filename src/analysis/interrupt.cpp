// Interrupts of a run: a flag set by the handler, read between records.
#include "analysis/interrupt.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "model/fileio.h"

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void NoteInterrupt(int sig) { g_signal = sig; }

void Install(void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  // The first signal is noted; the handler then falls back to the default action, so
  // that a second Ctrl-C ends a run stuck in a long combination at once.
  sa.sa_flags = handler == SIG_DFL ? 0 : SA_RESETHAND;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

const char* SignalName(int sig) { return sig == SIGINT ? "SIGINT" : "SIGTERM"; }

// The records written are whole: they and the console output are flushed, the lock is
// given back, and the process ends at once with the signal's status, as a run killed by
// it would, without the work of a normal end (closing tags, releases).
[[noreturn]] void EndInterrupted() {
  std::fflush(nullptr);
  ReleaseJobLock();
  std::_Exit(128 + g_signal);
}

}  // namespace

void CatchInterrupts() { Install(NoteInterrupt); }

void ReleaseInterrupts() { Install(SIG_DFL); }

void EndIfInterruptedBeforeAnalysis() {
  if (g_signal == 0) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nINTERRUPTED (%s):\nThe run stopped before its analysis began; no result file was written.\n\n",
               SignalName(g_signal));
  EndInterrupted();
}

void RecordWritten(RunUnit unit, int n, const char* job) {
  std::fflush(stdout);
  if (g_signal == 0) return;
  std::fprintf(stderr, "\nINTERRUPTED (%s):\n", SignalName(g_signal));
  switch (unit) {
    case RunUnit::kCombination:
      std::fprintf(stderr,
                   "The last converged combination written is %d: the result and history files of job %s\n"
                   "hold combinations 1 to %d.\n"
                   "To go on from it, set NUMBER_OF_COMBINATIONS_BEFORE_RESTART = %d in <MAIN_PARAMETERS>\n"
                   "of %s_gl.bin and run the job again.\n\n",
                   n, job, n, n, job);
      break;
    case RunUnit::kLoadCase:
      std::fprintf(stderr,
                   "The last load case written is %d: the result files of job %s hold load cases 1 to %d.\n"
                   "A linear run does not restart: run the job again for the rest.\n\n",
                   n, job, n);
      break;
    case RunUnit::kStep:
      std::fprintf(stderr,
                   "The last time step written is %d: the result files of job %s hold steps 1 to %d.\n"
                   "A linear time integration does not restart: run the job again for the rest.\n\n",
                   n, job, n);
      break;
  }
  EndInterrupted();
}
