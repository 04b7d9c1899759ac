// Interrupts of a run (SIGINT, SIGTERM): the signal only sets a flag; the drivers look at
// it after every record they finish writing, so that the run ends between records and the
// result files hold whole records only, up to the last one written.
#pragma once

// What a driver has just finished.
enum class RunUnit {
  kLoadCase,     // a load case of a linear run
  kStep,         // a time step of a linear dynamic or thermal run
  kCombination,  // a converged combination of a nonlinear run, a restart point
};

// From here on SIGINT and SIGTERM set the flag; a second signal ends the process at once.
void CatchInterrupts();
// SIGINT and SIGTERM back to ending the process (for runs that never look at the flag).
void ReleaseInterrupts();
// Called once the record of unit n is written: flushes the console output and, after an
// interrupt, ends the run with status 128 + signal, naming n, the files that hold it and
// how to go on (a restart after combination n, or the run again).
void RecordWritten(RunUnit unit, int n, const char* job);
// Before the analysis: after an interrupt during start-up the run ends, no result written.
void EndIfInterruptedBeforeAnalysis();
