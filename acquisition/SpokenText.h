#pragma once

#include <string>
#include <string_view>

namespace kesto {

// A caption as a screen reader should speak it: without the blanks around it, and without a
// unit bracket that holds nothing but blanks. "CO [mg/m3] " gives "CO [mg/m3]"; Lambda, whose
// unit is one blank, "Lambda [ ] " gives "Lambda".
std::string spokenLabel(std::string_view caption);

} // namespace kesto
