#pragma once

#include "wordexport/ReportExport.h"

#include <memory>
#include <string>

namespace kesto {

// LibreOffice Writer reached through its UNO bridge: attaches to a LibreOffice that accepts
// UNO connections on the named pipe `pipeName` (started with
// soffice --writer --accept="pipe,name=<pipeName>;urp;") and never starts one. Each attach()
// opens a connection of its own; the calls may be made from any thread.
std::shared_ptr<WordProcessor> makeUnoWriter(std::string pipeName);

} // namespace kesto
