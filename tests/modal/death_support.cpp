// A fatal stop leaves the run's arrays allocated by design. A death-test child that stops
// with a live profile store (rows held through shifted pointers the leak checker cannot
// trace) turns the leak check off before it stops.
bool gSkipLeakCheck = false;

extern "C" int __lsan_is_turned_off() { return gSkipLeakCheck ? 1 : 0; }
