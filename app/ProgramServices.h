#pragma once

#include "acquisition/Acquisition.h"
#include "acquisition/Interfaces.h"
#include "config/RegistryStore.h"
#include "config/SetupModel.h"
#include "config/ui/uSetupFrm.h"
#include "recording/Recorder.h"
#include "serial/PortMap.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kesto {

class AnalyzerPort;
class Beeper;
class TrendPrinting;

// What the program is built with. Every field has a default for the real program; tests and
// tools replace the language file, the clock, the serial line, the settings or the alarm tone.
struct MainFrmOptions {
    // The language file; empty: "<program>.<code>" beside the program or in the installed data
    // folder (see ProgramFolders), the code following the system language.
    std::string languageFile;
    // The language identifier shown at start-up; unset: the system's.
    std::optional<std::uint16_t> languageId;
    const Clock* clock = nullptr;      // null: the system clock
    SerialLink* link = nullptr;        // null: the analyzer's port (COM numbers)
    Beeper* beeper = nullptr;          // null: the alarm tone
    RegistryStore* store = nullptr;    // null: the user's settings file
    TrendPrinting* printing = nullptr; // null: the printer
};

// The program's outside world, built once and shared by every window: the clock, the analyzer's
// serial port, the settings store, the printer and the alarm tone. What the options supply is
// used; the rest are the real ones.
class ProgramServices {
public:
    explicit ProgramServices(MainFrmOptions options = {});
    ~ProgramServices();
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    const MainFrmOptions& options() const { return options_; }
    const Clock& clock() const { return *options_.clock; }
    SerialLink& link() const { return *options_.link; }
    Beeper& beeper() const { return *options_.beeper; }
    RegistryStore& store() const { return *options_.store; }
    TrendPrinting& printing() const { return *options_.printing; }

    // Hands what the analyzer's own port receives to the acquisition: the bytes, the quiet line,
    // and a port that fails while open (it is reopened when it comes back). Nothing to do for a
    // supplied serial line; `detach` before the acquisition goes.
    void attach(LiveAcquisition& acquisition);
    void detach();

    // The language file for the system language `id`: the one the options name, else
    // "<program>.<code>" beside the program or in the installed data folder.
    std::string languageFile(std::uint16_t id) const;

    // For the setup dialog's search: the COM numbers' devices, and a try of one port.
    PortMap portMap() const;
    PortProbeResult probe(int port) const;
    // What the setup dialog needs: the search (with `progress` counting along), and the mean
    // values and the recording interval of the main window.
    SetupServices setupServices(LiveAcquisition& acquisition, Recorder& recorder,
                                ProbeProgress* progress) const;

private:
    MainFrmOptions options_;
    std::unique_ptr<SystemClock> clock_;
    std::unique_ptr<AnalyzerPort> port_;
    std::unique_ptr<Beeper> beeper_;
    std::unique_ptr<RegistryStore> store_;
    std::unique_ptr<TrendPrinting> printing_;
};

} // namespace kesto
