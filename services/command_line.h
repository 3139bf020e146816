#pragma once

namespace services {

// Hands out the parameters the program was started with, one per call, after
// the program path: the first call gives the first parameter, the second call
// the second, and so on; the empty text once there are no more. Every call
// counts, whether it found a parameter or not.
//
// The result is a string result: it is written at the scratch position (cut
// at what fits) and the position is left on its terminating zero. Returns
// where it begins, the caller's mark.
char* NextCommandLineArgument();

}  // namespace services
