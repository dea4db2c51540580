#pragma once

#include "config/Language.h"
#include "config/Settings.h"
#include "config/SetupModel.h"
#include "serial/PortMap.h"
#include "serial/SerialAdapters.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace kesto {

class AnalyzerSearch;

// The small window that counts along while the ports are probed.
class ProbeProgress {
public:
    virtual ~ProbeProgress() = default;
    virtual void showProgress() = 0;
    virtual void setCounterText(const QString& text) = 0;
    virtual void setPosition(int position) = 0;
    virtual void hideProgress() = 0;
};

// What the setup dialog needs from the rest of the program.
struct SetupServices {
    std::function<PortProbeResult(int port)> probe;
    ProbeProgress* progress = nullptr;
    std::function<void()> resetMeanValues;
    std::function<void(int milliseconds)> setRecordingInterval;
    // Opens the system's device or hardware settings; false when there is none.
    std::function<bool()> openDeviceManager;
    std::function<void(const QString&)> showMessage;
    // The COM links a choice of adapter writes, and where the adapters are listed from.
    // Without a port map no adapters are offered.
    std::optional<PortMap> portMap;
    DeviceFolders deviceFolders;
};

// The setup dialog: port, recording interval and the two display options.
class TSetupFrm : public QDialog {
    Q_OBJECT
public:
    TSetupFrm(GeneralSettings& settings, SetupServices services, QWidget* parent = nullptr);

    void applyLanguage(const LanguageTexts& texts);
    // The window that counts along while the ports are probed (created after this dialog).
    void setProbeProgress(ProbeProgress* progress) { services_.progress = progress; }

    // Probes COM1 to COM255 (the window keeps repainting; each probe is followed by a 3 ms gap
    // on a timer, never a sleep), then shows the dialog modally and applies OK.
    int execSetup();

    // The probing and preparation alone (what execSetup does before showing the dialog).
    void ProbePorts();
    void prepareControls();
    // OK's effect on the settings.
    void applyOk();

    // The serial adapters beside the COM entries, read again from the system.
    void listAdapters();
    // Gives the adapter of that row a COM number linked to its stable name and selects it.
    void chooseAdapter(int row);
    // Listens on every listed port at once and selects the one where the analyzer talks.
    void searchForAnalyzer();

    QComboBox* portList() const { return ComboBox1; }
    QComboBox* intervalList() const { return ComboBox2; }
    QCheckBox* decimalsBox() const { return CheckBox1; }
    QCheckBox* meanValueBox() const { return CheckBox2; }
    QLabel* devicePathLabel() const { return devicePath_; }
    QLabel* permissionLabel() const { return permission_; }
    QListWidget* adapterList() const { return adapterList_; }
    QPushButton* searchButton() const { return searchButton_; }
    QLabel* searchStatusLabel() const { return searchStatus_; }
    const std::vector<SerialAdapter>& adapters() const { return adapters_; }
    QPushButton* okButton() const { return BitBtn1; }
    QPushButton* cancelButton() const { return BitBtn2; }
    const std::vector<int>& listedPorts() const { return listedPorts_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();
    void updateDevicePath();
    void showSearchResult(std::optional<int> port);
    void showAdapterNumbers();

    GeneralSettings& settings_;
    SetupServices services_;
    QGroupBox* connectionGroup_;
    QGroupBox* intervalGroup_;
    QGroupBox* optionsGroup_;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QPushButton* Button1;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QLabel* devicePath_;
    QLabel* permission_;
    QLabel* adapterCaption_;
    QListWidget* adapterList_;
    QPushButton* searchButton_;
    QLabel* searchStatus_;
    AnalyzerSearch* search_;
    std::vector<SerialAdapter> adapters_;
    std::vector<int> listedPorts_;
    std::vector<std::string> devicePaths_;
    QString teste_ = QStringLiteral("Teste");
    QString von_ = QStringLiteral("von");
    QString searching_ = QStringLiteral("Searching for the analyzer...");
    QString found_ = QStringLiteral("Analyzer found on");
    QString noAnalyzer_ = QStringLiteral("No analyzer found on any port.");
};

// Starts the first device or hardware overview tool found on this system.
bool openSystemDeviceManager();

} // namespace kesto
