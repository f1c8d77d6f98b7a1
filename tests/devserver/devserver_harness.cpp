// The harness is header-only; the benchmarks build this file with their own sources.
#include "devserver_harness.h"
