// A fatal stop leaves the run's arrays allocated by design. The profile rows are held only
// through shifted row pointers, which the leak checker cannot trace, so a death-test child
// that stops with a live profile store turns the check off before it stops.
#include "sparse_fixture.h"

bool gSkipLeakCheck = false;

extern "C" int __lsan_is_turned_off() { return gSkipLeakCheck ? 1 : 0; }
