#include "dialer/ui/TBRDialer.h"
#include "address/HelpTopics.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialer/DialerSerialPort.h"
#include "dialer/DialerTelephony.h"
#include "dialer/ui/TfrmTAPICall.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"

namespace brindle::address::ui {

TBRDialer::TBRDialer(const QString& number, const QString& settingsPath, common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(topic::Dialer, parent), settingsPath_(settingsPath), dialogs_(dialogs),
      bus_(std::make_unique<QDBusConnection>(telephonyBus())) {
    setWindowTitle(QStringLiteral("Dial Phone Number"));
    setObjectName(QStringLiteral("TBRDialer"));
    portFactory_ = [] { return std::make_unique<SerialDialerPort>(); };
    wait_ = waitProcessingEvents;

    auto* layout = new QVBoxLayout(this);
    auto* form = new QGridLayout;
    auto* numberLabel = new QLabel(QStringLiteral("Number to Dial"), this);
    number_ = new QLineEdit(number, this);
    number_->setObjectName(QStringLiteral("numberToDial"));
    number_->setWhatsThis(QStringLiteral("The number that is dialled."));
    numberLabel->setBuddy(number_);
    auto* prefixLabel = new QLabel(QStringLiteral("Prefix"), this);
    prefix_ = new QLineEdit(this);
    prefix_->setObjectName(QStringLiteral("prefix"));
    prefix_->setWhatsThis(QStringLiteral("Dialled before the number, for example a digit for an outside line."));
    prefixLabel->setBuddy(prefix_);
    form->addWidget(numberLabel, 0, 0);
    form->addWidget(number_, 0, 1);
    form->addWidget(prefixLabel, 1, 0);
    form->addWidget(prefix_, 1, 1);
    layout->addLayout(form);

    useTapi_ = new QCheckBox(QStringLiteral("Use TAPI to dial"), this);
    useTapi_->setObjectName(QStringLiteral("useTapi"));
    useTapi_->setWhatsThis(QStringLiteral("Dials through the desktop's telephony service instead of a modem."));
    layout->addWidget(useTapi_);

    directPanel_ = new QWidget(this);
    directPanel_->setObjectName(QStringLiteral("directPanel"));
    auto* direct = new QVBoxLayout(directPanel_);
    direct->setContentsMargins(0, 0, 0, 0);
    auto* groups = new QHBoxLayout;
    auto* portBox = new QGroupBox(QStringLiteral("Port"), directPanel_);
    portBox->setObjectName(QStringLiteral("portGroup"));
    auto* portLayout = new QVBoxLayout(portBox);
    auto* portGroup = new QButtonGroup(this);
    // Each choice names the device behind it ("COM 1 (/dev/ttyS0)").
    const common::ProfileFile settings(settingsPath_);
    for (int i = 0; i < 4; ++i) {
        ports_[i] = new QRadioButton(QStringLiteral("COM %1 (%2)").arg(i + 1).arg(portDevice(settings, i)), portBox);
        ports_[i]->setObjectName(QStringLiteral("port%1").arg(i + 1));
        portGroup->addButton(ports_[i], i);
        portLayout->addWidget(ports_[i]);
    }
    portBox->setWhatsThis(QStringLiteral(
        "The serial port of the modem. A port can be pointed at another device (such as /dev/ttyUSB0) with a line "
        "COM1=/dev/ttyUSB0 in the [Dialing] section of the settings file."));
    auto* methodBox = new QGroupBox(QStringLiteral("Method"), directPanel_);
    methodBox->setObjectName(QStringLiteral("methodGroup"));
    auto* methodLayout = new QVBoxLayout(methodBox);
    auto* methodGroup = new QButtonGroup(this);
    methods_[0] = new QRadioButton(QStringLiteral("Tone"), methodBox);
    methods_[0]->setObjectName(QStringLiteral("tone"));
    methods_[1] = new QRadioButton(QStringLiteral("Pulse"), methodBox);
    methods_[1]->setObjectName(QStringLiteral("pulse"));
    for (int i = 0; i < 2; ++i) {
        methodGroup->addButton(methods_[i], i);
        methodLayout->addWidget(methods_[i]);
    }
    methodBox->setWhatsThis(QStringLiteral("How the modem dials: tones or pulses."));
    groups->addWidget(portBox);
    groups->addWidget(methodBox);
    direct->addLayout(groups);
    auto* initLabel = new QLabel(QStringLiteral("Modem Initialization String"), directPanel_);
    init_ = new QLineEdit(directPanel_);
    init_->setObjectName(QStringLiteral("init"));
    init_->setWhatsThis(QStringLiteral("Sent to the modem before dialling; AT is added when missing."));
    initLabel->setBuddy(init_);
    direct->addWidget(initLabel);
    direct->addWidget(init_);
    layout->addWidget(directPanel_);
    ports_[0]->setChecked(true);
    methods_[0]->setChecked(true);

    auto* buttons = new QHBoxLayout;
    dial_ = new QPushButton(QStringLiteral("Dial"), this);
    dial_->setObjectName(QStringLiteral("dialButton"));
    dial_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    help_ = makeHelpButton();
    mouseHelp_ = makeMouseHelpButton();
    buttons->addWidget(dial_);
    buttons->addWidget(cancel);
    buttons->addWidget(help_);
    buttons->addWidget(mouseHelp_);
    layout->addLayout(buttons);

    connect(useTapi_, &QCheckBox::toggled, this, [this] { updatePanel(); });
    connect(dial_, &QPushButton::clicked, this, &TBRDialer::dialClick);
    connect(cancel, &QPushButton::clicked, this, &TBRDialer::reject);
    updatePanel();
}

TBRDialer::~TBRDialer() = default;

void TBRDialer::setTelephonyBus(const QDBusConnection& bus) { *bus_ = bus; }

void TBRDialer::updatePanel() { directPanel_->setVisible(!useTapi_->isChecked()); }

void TBRDialer::showEvent(QShowEvent* e) {
    HelpDialog::showEvent(e);
    if (!loaded_) loadSettings();
}

void TBRDialer::loadSettings() {
    loaded_ = true;
    const DialingSettings s = DialingSettings::load(common::ProfileFile(settingsPath_));
    prefix_->setText(s.prefix);
    init_->setText(s.init);
    ports_[s.port]->setChecked(true);
    methods_[s.method]->setChecked(true);
    useTapi_->setChecked(s.useTapi);
    updatePanel();
}

DialingSettings TBRDialer::currentSettings() const {
    DialingSettings s;
    s.prefix = prefix_->text();
    s.init = init_->text();
    for (int i = 0; i < 4; ++i)
        if (ports_[i]->isChecked()) s.port = i;
    s.method = methods_[1]->isChecked() ? 1 : 0;
    s.useTapi = useTapi_->isChecked();
    return s;
}

void TBRDialer::dialClick() {
    if (running_) return;
    if (!loaded_) loadSettings();
    help_->hide();
    mouseHelp_->hide();
    const DialingSettings s = currentSettings();
    try {
        common::ProfileFile file(settingsPath_);
        s.save(file);
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
    // Control characters never reach the modem or the telephony service.
    const QString number = stripControlCharacters(s.prefix + number_->text());
    if (s.useTapi) {
        TfrmTAPICall call(number, *bus_, this);
        call.exec();
        return;
    }
    dialDirect(s, number);
}

void TBRDialer::dialDirect(const DialingSettings& s, const QString& number) {
    running_ = true;
    dial_->setEnabled(false);
    DialRequest r;
    r.number = number;
    r.init = s.init;
    r.method = s.method == 1 ? DialMethod::Pulse : DialMethod::Tone;
    r.portName = portName(s.port);
    r.device = portDevice(common::ProfileFile(settingsPath_), s.port);
    std::unique_ptr<DialerPort> port = portFactory_();
    dialNumber(r, *port, dialogs_, wait_);
    port.reset();
    running_ = false;
    dial_->setEnabled(true);
}

void TBRDialer::reject() {
    if (running_) return;  // the sequence must finish and close the port first
    HelpDialog::reject();
}

void TBRDialer::closeEvent(QCloseEvent* e) {
    if (running_) {
        e->ignore();
        return;
    }
    HelpDialog::closeEvent(e);
}

}  // namespace brindle::address::ui
