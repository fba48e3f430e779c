// The start-up of the fuzz targets that build documents. Documents make GL
// objects, so such a target first makes a hidden window with a GL context
// (run it under a virtual X display).
#pragma once

// Makes a hidden 64 x 48 window with a GL context, current from then on, and
// sends standard output, where shader compile logs go, to /dev/null, so the
// fuzzer's own lines stay readable. Aborts with a message naming target when
// there is no display or no context.
void MakeHiddenGLContext(const char* target);
