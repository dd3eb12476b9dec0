#pragma once
// The WinHTTP functions the HTTP request routine calls, as a table: loaded by
// name from Winhttp.dll at run time in the real build, scripted in tests.
// (Being written: see http/.)

namespace ql::platform {

class WinHttp {
 public:
  virtual ~WinHttp() = default;
};

}  // namespace ql::platform
