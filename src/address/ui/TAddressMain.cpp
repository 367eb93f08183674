#include "address/ui/TAddressMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "address/ConfigurationReport.h"
#include "address/HelpTopics.h"
#include "address/NewDatabase.h"
#include "address/RecordFields.h"
#include "address/SortOrders.h"
#include "address/StartUp.h"
#include "address/ui/DialogSupport.h"
#include "address/ui/InfoWindows.h"
#include "address/ui/ReindexWindows.h"
#include "address/ui/TNewDataBaseName.h"
#include "address/ui/TPreferences.h"
#include "address/ui/FilterWindows.h"
#include "address/ui/RecordDialogs.h"
#include "address/ButtonRules.h"
#include "address/GatewayScope.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"

namespace brindle::address::ui {
namespace {

const QString kPlacementClass = QStringLiteral("TAddressMain");
const QString kNoDataText = QStringLiteral("Please Open or Create a Brindle Address file");

QString escapeAmpersands(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }

}  // namespace

TAddressMain::TAddressMain(common::UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs),
      file_(std::make_unique<AddressFile>(dialogs, common::settingsPath())),
      session_(std::make_unique<RecordSession>(*file_, dialogs)) {
    setObjectName(QStringLiteral("TAddressMain"));
    setWindowTitle(QStringLiteral("Brindle"));
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(QApplication::font().pointSize());
    setFont(f);
    buildMenus();
    buildCentre();
    addHelpKey(this, topic::MainWindow);

    file_->rebuildRequested = [this] {
        TBRReindex dlg(*file_, this);
        dlg.execCentred(this);
    };
    file_->changed = [this] {
        showRecord();
        if (session_->refreshButtons) setButtons();
    };
    wireRecordWork();
    filterStatus_->clear();
    sortStatus_->clear();
    tabs_->setCurrentIndex(0);
    setButtons();
    resize(760, 600);
}

TAddressMain::~TAddressMain() {
    file_->changed = nullptr;
    file_->rebuildRequested = nullptr;
}

void TAddressMain::guarded(const std::function<void()>& action) { common::runGuarded(dialogs_, action); }

QAction* TAddressMain::addAction(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& key) {
    auto* a = menu->addAction(caption);
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    actions_.insert(name, a);
    return a;
}

QAction* TAddressMain::action(const QString& objectName) const { return actions_.value(objectName); }
QPushButton* TAddressMain::button(const QString& objectName) const { return buttons_.value(objectName); }
QLineEdit* TAddressMain::recordEdit(const char* field) const { return edits_.value(QString::fromLatin1(field)); }

void TAddressMain::buildMenus() {
    auto later = [this](QAction* a) {
        laterIssueActions_ << a;
        return a;
    };
    // File
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("fileMenu"));
    connect(addAction(fileMenu_, QStringLiteral("newDatabase"), QStringLiteral("&New Address Database")),
            &QAction::triggered, this, &TAddressMain::newFileMenuClick);
    connect(addAction(fileMenu_, QStringLiteral("openDatabase"), QStringLiteral("&Open Address DataBase")),
            &QAction::triggered, this, &TAddressMain::openFileMenuClick);
    fileMenu_->addSeparator();
    later(addAction(fileMenu_, QStringLiteral("browse"), QStringLiteral("&Browse"), QKeySequence(Qt::CTRL | Qt::Key_B)));
    later(addAction(fileMenu_, QStringLiteral("search"), QStringLiteral("&Search"), QKeySequence(Qt::CTRL | Qt::Key_S)));
    fileMenu_->addSeparator();
    importMenu_ = fileMenu_->addMenu(QStringLiteral("&Import"));
    importMenu_->setObjectName(QStringLiteral("importMenu"));
    later(addAction(importMenu_, QStringLiteral("importDbf"), QStringLiteral("Import from &DBF File")));
    later(addAction(importMenu_, QStringLiteral("importAscii"), QStringLiteral("Import from &ASCII File")));
    later(addAction(importMenu_, QStringLiteral("importOld1"), QStringLiteral("Import from Brindle 1.x DBF")));
    later(addAction(importMenu_, QStringLiteral("importOld2"), QStringLiteral("Import from Brindle 2.x DBF")));
    later(addAction(fileMenu_, QStringLiteral("export"), QStringLiteral("&Export ")));
    fileMenu_->addSeparator();
    later(addAction(fileMenu_, QStringLiteral("setFilter"), QStringLiteral("Set &Filter"), QKeySequence(Qt::CTRL | Qt::Key_F)));
    later(addAction(fileMenu_, QStringLiteral("clearFilter"), QStringLiteral("&Clear Filter")));
    later(addAction(fileMenu_, QStringLiteral("saveFilter"), QStringLiteral("&Save Filter")));
    later(addAction(fileMenu_, QStringLiteral("restoreFilter"), QStringLiteral("&Restore Filter")));
    fileMenu_->addSeparator();
    later(addAction(fileMenu_, QStringLiteral("clearTags"), QStringLiteral("Clear &Tags")));
    later(addAction(fileMenu_, QStringLiteral("tagAll"), QStringLiteral("&Tag All Filter Matches")));
    fileMenu_->addSeparator();
    connect(addAction(fileMenu_, QStringLiteral("rebuildIndexes"), QStringLiteral("&Rebuild Indexes for this file")),
            &QAction::triggered, this, &TAddressMain::rebuildIndexesClick);
    connect(addAction(fileMenu_, QStringLiteral("rebuildSystemIndexes"), QStringLiteral("Rebuild S&ystem File indexes")),
            &QAction::triggered, this, &TAddressMain::rebuildSystemIndexesClick);
    fileMenu_->addSeparator();
    connect(addAction(fileMenu_, QStringLiteral("preferences"), QStringLiteral("Pre&ferences")), &QAction::triggered,
            this, &TAddressMain::preferencesClick);
    connect(addAction(fileMenu_, QStringLiteral("exit"), QStringLiteral("E&xit ")), &QAction::triggered, this,
            &QWidget::close);
    mruSeparator_ = fileMenu_->addSeparator();

    // Edit: not shown in the menu bar; the edits handle these keys themselves.
    editMenu_ = new QMenu(QStringLiteral("Ed&it"), this);
    editMenu_->setObjectName(QStringLiteral("editMenu"));
    later(addAction(editMenu_, QStringLiteral("undo"), QStringLiteral("&Undo typing")));
    later(addAction(editMenu_, QStringLiteral("cut"), QStringLiteral("Cu&t")));
    later(addAction(editMenu_, QStringLiteral("copy"), QStringLiteral("&Copy")));
    later(addAction(editMenu_, QStringLiteral("paste"), QStringLiteral("&Paste")));

    // Record
    recordMenu_ = menuBar()->addMenu(QStringLiteral("&Record"));
    recordMenu_->setObjectName(QStringLiteral("recordMenu"));
    connect(addAction(recordMenu_, QStringLiteral("first"), QStringLiteral("&First"), QKeySequence(Qt::CTRL | Qt::Key_Up)),
            &QAction::triggered, this, [this] { guarded([this] { file_->first(); }); });
    connect(addAction(recordMenu_, QStringLiteral("previous"), QStringLiteral("&Previous"),
                      QKeySequence(Qt::CTRL | Qt::Key_Left)),
            &QAction::triggered, this, [this] { guarded([this] { file_->prior(); }); });
    connect(addAction(recordMenu_, QStringLiteral("next"), QStringLiteral("&Next"), QKeySequence(Qt::CTRL | Qt::Key_Right)),
            &QAction::triggered, this, [this] { guarded([this] { file_->next(); }); });
    connect(addAction(recordMenu_, QStringLiteral("last"), QStringLiteral("&Last"), QKeySequence(Qt::CTRL | Qt::Key_Down)),
            &QAction::triggered, this, [this] { guarded([this] { file_->last(); }); });
    recordMenu_->addSeparator();
    later(addAction(recordMenu_, QStringLiteral("add"), QStringLiteral("&Add")));
    later(addAction(recordMenu_, QStringLiteral("edit"), QStringLiteral("&Edit")));
    later(addAction(recordMenu_, QStringLiteral("delete"), QStringLiteral("&Delete")));
    recordMenu_->addSeparator();
    later(addAction(recordMenu_, QStringLiteral("copyToClipboard"), QStringLiteral("Copy To &Clipboard")));
    later(addAction(recordMenu_, QStringLiteral("clone"), QStringLiteral("Create a Duplicate &Record (Clone)")));

    // Sort
    sortMenu_ = menuBar()->addMenu(QStringLiteral("&Sort"));
    sortMenu_->setObjectName(QStringLiteral("sortMenu"));
    for (const auto& order : sortOrders()) {
        QAction* a = addAction(sortMenu_, QStringLiteral("sort") + QString(order.tag), order.caption);
        a->setCheckable(true);
        const QString name = order.name;
        connect(a, &QAction::triggered, this, [this, name] { sortMenuClick(name); });
    }

    // Utilities
    utilitiesMenu_ = menuBar()->addMenu(QStringLiteral("&Utilities"));
    utilitiesMenu_->setObjectName(QStringLiteral("utilitiesMenu"));
    later(addAction(utilitiesMenu_, QStringLiteral("countZip"), QStringLiteral("Count &Zip Codes")));
    later(addAction(utilitiesMenu_, QStringLiteral("checkStateZip"), QStringLiteral("Check && Repair &State and Zip Codes")));
    later(addAction(utilitiesMenu_, QStringLiteral("checkDuplicates"), QStringLiteral("Check && Repair &Duplicates")));
    later(addAction(utilitiesMenu_, QStringLiteral("convertCase"), QStringLiteral("Con&vert Case")));
    later(addAction(utilitiesMenu_, QStringLiteral("deleteRecords"), QStringLiteral("Delete &Records")));
    later(addAction(utilitiesMenu_, QStringLiteral("searchReplace"), QStringLiteral("&Search && Replace Field Values")));

    // Print
    printMenu_ = menuBar()->addMenu(QStringLiteral("&Print"));
    printMenu_->setObjectName(QStringLiteral("printMenu"));
    later(addAction(printMenu_, QStringLiteral("printLabels"), QStringLiteral("Print &Labels"), QKeySequence(Qt::CTRL | Qt::Key_L)));
    later(addAction(printMenu_, QStringLiteral("printLetters"), QStringLiteral("Print Le&tters"), QKeySequence(Qt::CTRL | Qt::Key_T)));
    later(addAction(printMenu_, QStringLiteral("printEnvelopes"), QStringLiteral("Print &Envelopes"), QKeySequence(Qt::CTRL | Qt::Key_E)));
    later(addAction(printMenu_, QStringLiteral("printReports"), QStringLiteral("Print &Reports"), QKeySequence(Qt::CTRL | Qt::Key_R)));
    later(addAction(printMenu_, QStringLiteral("printCurrent"), QStringLiteral("Print C&urrent Record"), QKeySequence(Qt::CTRL | Qt::Key_P)));

    // Help
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    connect(addAction(help, QStringLiteral("helpContents"), QStringLiteral("&Contents")), &QAction::triggered, this,
            [this] { guarded([this] { openHelpContents(this); }); });
    connect(addAction(help, QStringLiteral("helpSearch"), QStringLiteral("Search for Help On")), &QAction::triggered,
            this, [this] { guarded([this] { openHelpSearch(this); }); });
    connect(addAction(help, QStringLiteral("helpOnHelp"), QStringLiteral("How to Use Help")), &QAction::triggered, this,
            [this] { guarded([this] { openHelpTopic(0, this); }); });
    help->addSeparator();
    connect(addAction(help, QStringLiteral("gettingStarted"), QStringLiteral("&Getting Started")), &QAction::triggered,
            this, &TAddressMain::gettingStartedClick);
    connect(addAction(help, QStringLiteral("faq"), QStringLiteral("Frequently Asked Questions")), &QAction::triggered,
            this, [this] { guarded([this] { openHelpTopic(topic::FrequentlyAskedQuestions, this); }); });
    connect(addAction(help, QStringLiteral("techSupport"), QStringLiteral("Technical Support")), &QAction::triggered,
            this, [this] { guarded([this] { openHelpTopic(topic::TechnicalSupport, this); }); });
    help->addSeparator();
    connect(addAction(help, QStringLiteral("about"), QStringLiteral("&About...")), &QAction::triggered, this,
            &TAddressMain::aboutClick);
    connect(addAction(help, QStringLiteral("configuration"), QStringLiteral("Configuration Information")),
            &QAction::triggered, this, &TAddressMain::configurationClick);
    later(addAction(help, QStringLiteral("website"), QStringLiteral(" Visit Our Internet Website")));
}

QPushButton* TAddressMain::addButton(const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    buttons_.insert(name, b);
    return b;
}

QLineEdit* TAddressMain::addField(const char* field) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(field));
    e->setReadOnly(true);
    edits_.insert(QString::fromLatin1(field), e);
    return e;
}

void TAddressMain::buildCentre() {
    client_ = new QWidget(this);
    auto* layout = new QVBoxLayout(client_);

    // Top button bar with its hints.
    auto* top = new QHBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
    } topButtons[] = {
        {"labels", "Labels", "Click here or press CTRL+L to print/design labels"},
        {"letters", "Letters", "Click here or press CTRL+T to print/design letters"},
        {"envelopes", "Envelopes", "Click here or press CTRL+E to print/design envelopes"},
        {"reports", "Reports", "Click here or press CTRL+R to print/design reports"},
        {"browseButton", "Browse", "Click here or press CTRL+B for a table view of the database"},
        {"searchButton", "Search", "Click here or press CTRL+S to search for a specific value"},
        {"filterButton", "Filter", "Click here or press CTRL+F to set or change a filter"},
    };
    for (const auto& t : topButtons) {
        QPushButton* b = addButton(QString::fromLatin1(t.name), QString::fromLatin1(t.caption));
        b->setToolTip(QString::fromLatin1(t.hint));
        b->setStatusTip(QString::fromLatin1(t.hint));
        b->setWhatsThis(QString::fromLatin1(t.hint));
        b->setMinimumHeight(36);
        laterIssueControls_ << b;
        top->addWidget(b);
    }
    auto* mouseHelp = new QToolButton(this);
    mouseHelp->setObjectName(QStringLiteral("mouseHelp"));
    mouseHelp->setText(QStringLiteral("?"));
    mouseHelp->setToolTip(QStringLiteral("Click here for mouse help"));
    mouseHelp->setStatusTip(QStringLiteral("Click here for mouse help"));
    mouseHelp->setMinimumHeight(36);
    connect(mouseHelp, &QToolButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });
    top->addWidget(mouseHelp);
    top->addStretch();
    layout->addLayout(top);

    // Name panel, always visible.
    auto* names = new QGridLayout;
    int col = 0;
    for (const RecordField& f : nameFields()) {
        auto* label = new QLabel(QString::fromLatin1(f.caption), this);
        QLineEdit* e = addField(f.field);
        e->setWhatsThis(QString::fromLatin1(f.help));
        label->setBuddy(e);
        const int row = col < 4 ? 0 : 1;
        const int c = (col < 4 ? col : col - 4) * 2;
        names->addWidget(label, row, c);
        names->addWidget(e, row, c + 1);
        ++col;
    }
    recordEdit("MIDDLE")->setMaximumWidth(40);
    layout->addLayout(names);

    // The record area: the two tabs, or the no-data panel while no file is open.
    recordArea_ = new QStackedWidget(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    auto* addressPage = new QWidget;
    auto* grid = new QGridLayout(addressPage);
    int row = 0;
    for (const RecordField& f : addressPageFields()) {
        auto* label = new QLabel(QString::fromLatin1(f.caption), addressPage);
        QLineEdit* e = addField(f.field);
        e->setParent(addressPage);
        e->setWhatsThis(QString::fromLatin1(f.help));
        label->setBuddy(e);
        grid->addWidget(label, row, 0);
        grid->addWidget(e, row, 1);
        if (QLatin1String(f.field) == QLatin1String("PHONE") || QLatin1String(f.field) == QLatin1String("PHONE2")) {
            const bool one = QLatin1String(f.field) == QLatin1String("PHONE");
            QPushButton* dial = addButton(one ? QStringLiteral("dial1") : QStringLiteral("dial2"),
                                          one ? QStringLiteral("Dial Phone &1") : QStringLiteral("Dial Phone &2"));
            dial->setWhatsThis(QStringLiteral("Dials this number with your modem or telephone service."));
            laterIssueControls_ << dial;
            grid->addWidget(dial, row, 2);
        }
        ++row;
    }
    auto* dateLabel = new QLabel(QStringLiteral("Date"), addressPage);
    dateEdit_ = new QLineEdit(addressPage);
    dateEdit_->setObjectName(QStringLiteral("DisplayDate"));
    dateEdit_->setReadOnly(true);
    dateEdit_->setMaximumWidth(120);
    dateEdit_->setWhatsThis(QStringLiteral("The record's date; use the Date button to change it."));
    QPushButton* dateButton = addButton(QStringLiteral("dateButton"), QStringLiteral("Date"));
    dateButton->setWhatsThis(QStringLiteral("Opens a calendar to choose the record's date."));
    laterIssueControls_ << dateButton;
    tagged_ = new QCheckBox(QStringLiteral("Tagged"), addressPage);
    tagged_->setObjectName(QStringLiteral("Tagged"));
    tagged_->setFocusPolicy(Qt::NoFocus);
    tagged_->setWhatsThis(QStringLiteral("Shows whether the record is tagged for a later mailing."));
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(dateEdit_);
    dateRow->addWidget(dateButton);
    dateRow->addStretch();
    dateRow->addWidget(tagged_);
    dateLabel->setBuddy(dateEdit_);
    grid->addWidget(dateLabel, row, 0);
    grid->addLayout(dateRow, row, 1, 1, 2);
    grid->setRowStretch(row + 1, 1);
    tabs_->addTab(addressPage, QStringLiteral("Address &Information"));

    auto* memoPage = new QWidget;
    auto* memoLayout = new QVBoxLayout(memoPage);
    memoLayout->addWidget(new QLabel(QStringLiteral("Memo"), memoPage));
    memo_ = new QPlainTextEdit(memoPage);
    memo_->setObjectName(QStringLiteral("MEMO"));
    memo_->setReadOnly(true);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setTabChangesFocus(true);
    memo_->setWhatsThis(QStringLiteral("Free notes of any length about this record."));
    memoLayout->addWidget(memo_);
    auto* memoButtons = new QHBoxLayout;
    QPushButton* searchMemo = addButton(QStringLiteral("searchMemo"), QStringLiteral("Search &Memo"));
    QPushButton* findNext = addButton(QStringLiteral("findNext"), QStringLiteral("Find &Next"));
    findNext->hide();
    laterIssueControls_ << searchMemo << findNext;
    memoButtons->addWidget(searchMemo);
    memoButtons->addWidget(findNext);
    memoButtons->addStretch();
    memoLayout->addLayout(memoButtons);
    tabs_->addTab(memoPage, QStringLiteral("&Memo"));

    noData_ = new QLabel(kNoDataText, this);
    noData_->setObjectName(QStringLiteral("noDataPanel"));
    noData_->setAlignment(Qt::AlignCenter);
    noData_->setFrameShape(QFrame::Panel);
    noData_->setFrameShadow(QFrame::Sunken);
    QFont big = noData_->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    noData_->setFont(big);
    recordArea_->addWidget(tabs_);
    recordArea_->addWidget(noData_);
    // The widgets' own Tab chain in visual order too (the window routes Tab
    // and Enter itself, see moveRecordFocus).
    QWidget* previous = nullptr;
    for (auto fields : {nameFields(), addressPageFields()})
        for (const RecordField& f : fields) {
            QLineEdit* e = recordEdit(f.field);
            if (previous) setTabOrder(previous, e);
            previous = e;
        }
    layout->addWidget(recordArea_, 1);

    // Bottom bar.
    auto* bottom = new QHBoxLayout;
    const struct {
        const char* name;
        QStyle::StandardPixmap icon;
        const char* tip;
    } nav[] = {
        {"firstButton", QStyle::SP_MediaSkipBackward, "First record"},
        {"previousButton", QStyle::SP_MediaSeekBackward, "Previous record"},
        {"nextButton", QStyle::SP_MediaSeekForward, "Next record"},
        {"lastButton", QStyle::SP_MediaSkipForward, "Last record"},
    };
    for (const auto& n : nav) {
        QPushButton* b = addButton(QString::fromLatin1(n.name), QString());
        b->setIcon(style()->standardIcon(n.icon));
        b->setToolTip(QString::fromLatin1(n.tip));
        b->setWhatsThis(QString::fromLatin1(n.tip));
        bottom->addWidget(b);
    }
    connect(button(QStringLiteral("firstButton")), &QPushButton::clicked, this, [this] { guarded([this] { file_->first(); }); });
    connect(button(QStringLiteral("previousButton")), &QPushButton::clicked, this, [this] { guarded([this] { file_->prior(); }); });
    connect(button(QStringLiteral("nextButton")), &QPushButton::clicked, this, [this] { guarded([this] { file_->next(); }); });
    connect(button(QStringLiteral("lastButton")), &QPushButton::clicked, this, [this] { guarded([this] { file_->last(); }); });
    bottom->addSpacing(12);
    const struct {
        const char* name;
        const char* caption;
        bool later;
    } actionsRow[] = {
        {"saveButton", "&Save", true},     {"cancelButton", "&Cancel", true}, {"addButton", "&Add", true},
        {"editButton", "&Edit", true},     {"deleteButton", "&Delete", true}, {"exitButton", "E&xit", false},
        {"clearFilterButton", "Clear Filter", true},
    };
    for (const auto& a : actionsRow) {
        QPushButton* b = addButton(QString::fromLatin1(a.name), QString::fromLatin1(a.caption));
        if (a.later) laterIssueControls_ << b;
        bottom->addWidget(b);
    }
    button(QStringLiteral("saveButton"))->hide();
    button(QStringLiteral("cancelButton"))->hide();
    button(QStringLiteral("clearFilterButton"))->hide();
    connect(button(QStringLiteral("exitButton")), &QPushButton::clicked, this, &QWidget::close);
    bottom->addStretch();
    layout->addLayout(bottom);
    setCentralWidget(client_);

    filterStatus_ = new QLabel(this);
    filterStatus_->setObjectName(QStringLiteral("filterStatus"));
    sortStatus_ = new QLabel(this);
    sortStatus_->setObjectName(QStringLiteral("sortStatus"));
    statusBar()->addWidget(filterStatus_, 1);
    statusBar()->addWidget(sortStatus_, 1);

}

void TAddressMain::setButtons() {
    WindowState state;
    state.open = file_->isOpen();
    state.editing = session_->editing();
    state.hasRecord = file_->hasRecord();
    state.filterSet = file_->filterSet();
    const Enabling e = computeEnabling(state);

    auto act = [this](const char* n) { return action(QString::fromLatin1(n)); };
    auto btn = [this](const char* n) { return button(QString::fromLatin1(n)); };
    // Entries whose windows are not built yet stay disabled.
    auto enable = [this](QAction* a, bool on) {
        if (a) a->setEnabled(on && !laterIssueActions_.contains(a));
    };
    auto enableButton = [this](QPushButton* b, bool on) {
        if (b) b->setEnabled(on && !laterIssueControls_.contains(b));
    };
    for (QAction* a : laterIssueActions_) a->setEnabled(false);
    for (QWidget* c : laterIssueControls_) c->setEnabled(false);

    for (const char* n : {"rebuildIndexes", "importDbf", "importAscii", "importOld1", "importOld2", "clearTags", "restoreFilter"})
        enable(act(n), e.fileEntries);
    importMenu_->menuAction()->setEnabled(e.fileEntries);
    for (const char* n : {"saveButton", "cancelButton"}) {
        btn(n)->setVisible(e.saveCancelShown);
        btn(n)->setEnabled(e.saveCancelShown);
    }
    for (const char* n : {"addButton", "editButton", "deleteButton", "exitButton"}) btn(n)->setVisible(e.addEditDeleteShown);
    enableButton(btn("addButton"), e.add);
    enableButton(btn("editButton"), e.editDelete);
    enableButton(btn("deleteButton"), e.editDelete);
    enable(act("add"), e.add);
    enable(act("edit"), e.editDelete);
    enable(act("delete"), e.editDelete);

    for (const char* n : {"search", "browse", "export", "clone", "copyToClipboard"}) enable(act(n), e.idleEntries);
    for (const char* n : {"browseButton", "searchButton", "labels", "letters", "envelopes", "reports", "dial1", "dial2",
                          "searchMemo", "firstButton", "previousButton", "nextButton", "lastButton"})
        enableButton(btn(n), e.idleEntries);
    for (const char* n : {"dial1", "dial2", "searchMemo", "firstButton", "previousButton", "nextButton", "lastButton"})
        btn(n)->setVisible(e.idleEntries || !state.editing);
    // The Date button also works while editing (it stores into the edit).
    enableButton(btn("dateButton"), e.idleEntries || state.editing);
    sortMenu_->menuAction()->setEnabled(e.idleEntries);
    printMenu_->menuAction()->setEnabled(e.idleEntries);
    utilitiesMenu_->menuAction()->setEnabled(e.idleEntries);
    for (QAction* a : sortMenu_->actions()) a->setEnabled(e.idleEntries);
    for (const char* n : {"countZip", "checkStateZip", "checkDuplicates", "convertCase", "deleteRecords", "searchReplace",
                          "printLabels", "printLetters", "printEnvelopes", "printReports", "printCurrent"})
        enable(act(n), e.idleEntries);
    for (const char* n : {"saveFilter", "clearFilter", "tagAll"}) enable(act(n), e.filterEntries);
    btn("clearFilterButton")->setVisible(e.clearFilterButtonShown);
    enableButton(btn("clearFilterButton"), e.clearFilterButtonEnabled);
    enableButton(btn("filterButton"), e.setFilter);
    enable(act("setFilter"), e.setFilter);
    fileMenu_->menuAction()->setEnabled(e.fileMenu);
    for (QAction* a : fileMenu_->actions())
        if (!a->isSeparator() && a->menu() == nullptr && !actions_.key(a).isEmpty() &&
            !QStringList{QStringLiteral("rebuildIndexes"), QStringLiteral("restoreFilter"), QStringLiteral("clearTags"),
                         QStringLiteral("saveFilter"), QStringLiteral("clearFilter"), QStringLiteral("tagAll"),
                         QStringLiteral("setFilter"), QStringLiteral("search"), QStringLiteral("browse"),
                         QStringLiteral("export")}
                 .contains(actions_.key(a)))
            enable(a, e.fileMenu);
    for (QAction* a : mruActions_) a->setEnabled(e.fileMenu);
    enable(act("exit"), e.fileMenu);
    btn("exitButton")->setEnabled(e.fileMenu);
    recordMenu_->menuAction()->setEnabled(e.recordMenu);
    for (const char* n : {"first", "previous", "next", "last"}) enable(act(n), e.recordMenu);
    btn("findNext")->setVisible(e.findNextAllowed && session_->memoFound);
    enableButton(btn("findNext"), e.findNextAllowed && session_->memoFound);
    tagged_->setEnabled(state.open);

    for (QLineEdit* ed : edits_) ed->setReadOnly(!state.editing);
    memo_->setReadOnly(!state.editing);
    if (state.editing) {
        QWidget* f = QApplication::focusWidget();
        const bool onRecord = f == memo_ || (f && edits_.key(qobject_cast<QLineEdit*>(f)).size() > 0);
        if (!onRecord && isVisible()) recordEdit("LNAME")->setFocus();
    }

    filterStatus_->setVisible(state.open);
    filterStatus_->setText(file_->filterStatus());
    sortStatus_->setText(file_->sortStatus());
    setMenuOrder();
}

void TAddressMain::setMenuOrder() {
    const QString current = file_->sortName().toUpper();
    for (QAction* a : sortMenu_->actions()) {
        a->setChecked(!current.isEmpty() && QString(a->text()).remove(QLatin1Char('&')).toUpper() == current);
    }
}

void TAddressMain::showRecord() {
    const bool open = file_->isOpen();
    recordArea_->setCurrentWidget(open ? static_cast<QWidget*>(tabs_) : static_cast<QWidget*>(noData_));
    const bool editing = session_->editing();
    for (auto it = edits_.begin(); it != edits_.end(); ++it) {
        const QByteArray name = it.key().toLatin1();
        const QString value = session_->field(it.key());
        if (it.value()->text() != value) {
            it.value()->setText(value);
            if (!editing) it.value()->setCursorPosition(0);
        }
        const int width = file_->fieldWidth(name.constData());
        it.value()->setMaxLength(width > 0 ? width : 32767);
    }
    RecordNames r;
    r.date = session_->field(QStringLiteral("DATE"));
    r.tag = session_->field(QStringLiteral("TAG"));
    const ComputedFields c = computeFields(r, file_->globalTagId(), false);
    dateEdit_->setText(c.displayDate);
    tagged_->setChecked(c.tagged);
    // The memo control is not bound to the field: it shows the stored memo
    // whenever no edit is in progress, so discarded text never survives a cancel.
    if (!editing) {
        const QString stored = session_->memoText();
        if (memo_->toPlainText() != stored) memo_->setPlainText(stored);
    }
}

void TAddressMain::updateMenuMRUList() {
    for (QAction* a : mruActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    mruActions_.clear();
    int i = 0;
    for (const QString& path : file_->mruList()) {
        auto* a = new QAction(escapeAmpersands(path), fileMenu_);
        a->setObjectName(QStringLiteral("mru%1").arg(++i));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { mruItemClick(path); });
        fileMenu_->addAction(a);
        mruActions_ << a;
    }
}

void TAddressMain::reloadPreferences() {
    prefs_ = Preferences::load(common::ProfileFile(file_->settingsPath()));
    session_->prefs = prefs_;
}

void TAddressMain::firstActivation() {
    if (!firstActivationPending_) return;
    firstActivationPending_ = false;  // a second activation during the work below does nothing
    guarded([this] {
        client_->hide();
        common::ProfileFile settings(file_->settingsPath());
        common::restorePlacement(this, kPlacementClass, settings);
        setWindowTitle(QStringLiteral("Brindle"));
        noData_->setText(kNoDataText);
        show();
        dialogs_.processEvents();
        reloadPreferences();
        session_->prefs = prefs_;
        file_->setGlobalTagId(loadGlobalTagId(file_->settingsPath()));
        openStartFile(*file_, common::dataDir());
        if (!file_->currentFilePath().isEmpty() || !file_->caption().isEmpty()) setWindowTitle(file_->caption());
        updateMenuMRUList();
        setButtons();
        showRecord();
        common::printerReady(dialogs_);
    });
    client_->show();
    if (gettingStartedAllowed_ && !prefs_.hideGettingStarted)
        QTimer::singleShot(0, this, &TAddressMain::gettingStartedClick);
}

void TAddressMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (firstActivationPending_) QTimer::singleShot(0, this, &TAddressMain::firstActivation);
}

void TAddressMain::closeEvent(QCloseEvent* event) {
    guarded([this] {
        if (file_->isOpen()) {
            dialogs_.processEvents();
            session_->cancel();
            file_->close();
        }
        common::ProfileFile settings(file_->settingsPath());
        common::savePlacement(this, kPlacementClass, settings);
    });
    event->accept();
    emit closed();
}

void TAddressMain::bringToFront() {
    if (isMinimized()) showNormal();
    else show();
    raise();
    activateWindow();
}

void TAddressMain::newFileMenuClick() {
    guarded([this] {
        TNewDataBaseName dlg(suggestDatabaseName(common::dataDir()), file_->settingsPath(), this);
        dlg.onOk = [this, &dlg](const QString& name) {
            bool created = false;
            guarded([&] {
                // An existing name keeps the window open; any other outcome closes it.
                const QString path = common::dataDir() + name + QStringLiteral(".DBF");
                if (QFileInfo::exists(common::resolveIgnoringCase(path))) {
                    dialogs_.showInfo(QStringLiteral("That file already exists.Please select another name"));
                    return;
                }
                created = true;
                file_->createAndOpen(common::dataDir(), name, dlg.lengths());
            });
            return created;
        };
        dlg.execCentred(this);
        setWindowTitle(file_->caption());
    });
    updateMenuMRUList();
    setButtons();
    showRecord();
}

void TAddressMain::openFileMenuClick() {
    guarded([this] {
        const QString path = dialogs_.chooseOpenFile(QStringLiteral("Open Address DataBase"), common::dataDir(),
                                                     QStringLiteral("DBF Files|*.dbf"), QStringLiteral("DBF"));
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().toUpper() != QStringLiteral("DBF")) {
            dialogs_.showInfo(QStringLiteral("Must be a DBF file"));
            return;
        }
        file_->openBRWDBF(path);
        setWindowTitle(file_->caption());
    });
    updateMenuMRUList();
    setButtons();
    showRecord();
}

void TAddressMain::mruItemClick(const QString& path) {
    guarded([this, path] {
        file_->openMruEntry(path);
        setWindowTitle(file_->caption());
    });
    updateMenuMRUList();
    setButtons();
    showRecord();
}

void TAddressMain::rebuildIndexesClick() {
    guarded([this] {
        if (!file_->isOpen()) {
            dialogs_.showInfo(QStringLiteral("You need to have a database file open first"));
            return;
        }
        {
            // Packing renumbers the records: the scope restores order and filter, not the record.
            GatewayScope scope(*session_, {.bulkOperation = true, .restoreRecord = false});
            TBRReindex dlg(*file_, this);
            dlg.execCentred(this);
        }
        file_->afterRebuild();
    });
    setButtons();
    showRecord();
}

void TAddressMain::rebuildSystemIndexesClick() {
    guarded([this] {
        TSystemReindex dlg(dialogs_, this);
        dlg.execCentred(this);
    });
}

void TAddressMain::preferencesClick() {
    guarded([this] {
        TPreferences dlg(file_->settingsPath(), this);
        dlg.execCentred(this);
    });
    guarded([this] { reloadPreferences(); });
}

void TAddressMain::sortMenuClick(const QString& sortName) {
    if (session_->editing()) return;
    guarded([this, sortName] {
        file_->setOrderTo(sortName);
        file_->first();
    });
    setButtons();
}

void TAddressMain::gettingStartedClick() {
    guarded([this] {
        TGettingStarted dlg(file_->settingsPath(), this);
        dlg.execCentred(this);
    });
    guarded([this] { reloadPreferences(); });
}

void TAddressMain::aboutClick() {
    TAboutBox dlg(this);
    dlg.adjustSize();
    common::centreWindow(&dlg, this);
    dlg.exec();
}

void TAddressMain::configurationClick() {
    guarded([this] {
        TConfigurationInfo dlg(configurationReport(file_.get(), prefs_.aggressiveSave), dialogs_, this);
        common::centreWindow(&dlg, this);
        dlg.exec();
    });
}

}  // namespace brindle::address::ui
