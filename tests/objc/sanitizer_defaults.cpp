// GNUstep keeps allocations it never frees: its runtime's from start-up, and one its
// property-list writer makes at first use (62 bytes, whatever is written). Only those are
// suppressed. Finding the runtime's takes the slow unwinder, as libobjc has no frame
// pointers. Built into the test programs themselves, so that test discovery runs with them.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libobjc.so\nleak:serializedAsXML\n";
}
