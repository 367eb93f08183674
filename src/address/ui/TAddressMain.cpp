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

#include <utility>

#include "address/ui/ConfigurationReport.h"
#include "printer/Printers.h"
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
    : TAddressMain(dialogs, commands::mainWindowCommands(), parent) {}

TAddressMain::TAddressMain(common::UserDialogs& dialogs, commands::CommandRegistry registry, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs),
      file_(std::make_unique<AddressFile>(dialogs, common::settingsPath())),
      session_(std::make_unique<RecordSession>(*file_, dialogs)), registry_(std::move(registry)) {
    attachOwnCommands();
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
    // The menus and their entries come from the command rows, in their
    // positions; a submenu stands among its parent's entries.
    for (const commands::MenuSpec& spec : commands::mainMenus()) {
        QMenu* menu = nullptr;
        if (spec.place == commands::Place::EditMenu) menu = new QMenu(spec.caption, this);  // not on the menu bar
        else if (!spec.parent) menu = menuBar()->addMenu(spec.caption);
        else menu = new QMenu(spec.caption, this);
        menu->setObjectName(spec.name);
        menus_.insert(static_cast<int>(spec.place), menu);
    }
    for (const commands::MenuSpec& spec : commands::mainMenus()) fillMenu(spec.place);
    fileMenu_ = menus_.value(static_cast<int>(commands::Place::FileMenu));
    importMenu_ = menus_.value(static_cast<int>(commands::Place::ImportMenu));
    editMenu_ = menus_.value(static_cast<int>(commands::Place::EditMenu));
    recordMenu_ = menus_.value(static_cast<int>(commands::Place::RecordMenu));
    sortMenu_ = menus_.value(static_cast<int>(commands::Place::SortMenu));
    utilitiesMenu_ = menus_.value(static_cast<int>(commands::Place::UtilitiesMenu));
    printMenu_ = menus_.value(static_cast<int>(commands::Place::PrintMenu));
    mruSeparator_ = fileMenu_->addSeparator();
}

void TAddressMain::fillMenu(commands::Place place) {
    QMenu* menu = menus_.value(static_cast<int>(place));
    struct Item {
        int position;
        bool separatorBefore;
        const commands::Command* command;
        QMenu* submenu;
    };
    std::vector<Item> items;
    for (const commands::Command* c : registry_.at(place))
        if (c->menu && c->menu->menu == place) items.push_back({c->menu->position, c->menu->separatorBefore, c, nullptr});
    for (const commands::MenuSpec& spec : commands::mainMenus())
        if (spec.parent && *spec.parent == place)
            items.push_back({spec.position, spec.separatorBefore, nullptr, menus_.value(static_cast<int>(spec.place))});
    std::stable_sort(items.begin(), items.end(), [](const Item& x, const Item& y) { return x.position < y.position; });
    for (const Item& item : items) {
        if (item.separatorBefore && !menu->isEmpty()) menu->addSeparator();
        if (item.submenu) {
            menu->addMenu(item.submenu);
            continue;
        }
        const commands::MenuEntry& entry = *item.command->menu;
        QAction* a = addAction(menu, entry.name, entry.caption, entry.shortcut);
        a->setCheckable(entry.checkable);
        const QString id = item.command->id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    }
}

void TAddressMain::runCommand(const QString& id) {
    const commands::Command* c = registry_.find(id);
    if (!c || !c->available()) return;
    commands::CommandContext context{this, file_.get(), session_.get(), &dialogs_};
    const commands::Handler run = c->run;  // the handler may change the registry's rows
    guarded([&] { run(context); });
}

QPushButton* TAddressMain::makeButton(const QString& id) {
    const commands::Command* c = registry_.find(id);
    const commands::ButtonEntry& entry = *c->button;
    QPushButton* b = addButton(entry.name, entry.caption);
    using commands::Icon;
    const std::pair<Icon, QStyle::StandardPixmap> icons[] = {{Icon::First, QStyle::SP_MediaSkipBackward},
                                                             {Icon::Previous, QStyle::SP_MediaSeekBackward},
                                                             {Icon::Next, QStyle::SP_MediaSeekForward},
                                                             {Icon::Last, QStyle::SP_MediaSkipForward}};
    for (const auto& [icon, pixmap] : icons)
        if (entry.icon == icon) b->setIcon(style()->standardIcon(pixmap));
    if (!c->hint.isEmpty()) {
        b->setToolTip(c->hint);
        b->setStatusTip(c->hint);
    }
    QString whatsThis = c->whatsThis.isEmpty() ? c->hint : c->whatsThis;
    if (!c->available()) whatsThis += (whatsThis.isEmpty() ? QString() : QStringLiteral("\n\n")) + commands::notYetAvailableHint();
    b->setWhatsThis(whatsThis);
    if (entry.startsHidden) b->hide();
    connect(b, &QPushButton::clicked, this, [this, id] { runCommand(id); });
    return b;
}

void TAddressMain::attachOwnCommands() {
    auto own = [this](const QString& id, std::function<void()> work) {
        registry_.attach(id, [work = std::move(work)](commands::CommandContext&) { work(); });
    };
    auto ownSlot = [&](const char* id, void (TAddressMain::*slot)()) { own(QString::fromLatin1(id), [this, slot] { (this->*slot)(); }); };
    // File.
    ownSlot("newDatabase", &TAddressMain::newFileMenuClick);
    ownSlot("openDatabase", &TAddressMain::openFileMenuClick);
    ownSlot("browse", &TAddressMain::browseButtonClick);
    ownSlot("search", &TAddressMain::searchButtonClick);
    ownSlot("setFilter", &TAddressMain::filterButtonClick);
    ownSlot("clearFilter", &TAddressMain::clearFilterClick);
    ownSlot("saveFilter", &TAddressMain::saveFilterClick);
    ownSlot("restoreFilter", &TAddressMain::restoreFilterClick);
    ownSlot("clearTags", &TAddressMain::clearTagsClick);
    ownSlot("tagAll", &TAddressMain::tagAllClick);
    ownSlot("rebuildIndexes", &TAddressMain::rebuildIndexesClick);
    ownSlot("rebuildSystemIndexes", &TAddressMain::rebuildSystemIndexesClick);
    ownSlot("preferences", &TAddressMain::preferencesClick);
    own(QStringLiteral("exit"), [this] { close(); });
    // Edit: the focused edit does the work.
    for (const char* n : {"undo", "cut", "copy", "paste"}) {
        const QByteArray slot(n);
        own(QString::fromLatin1(n), [slot] {
            if (QWidget* f = QApplication::focusWidget()) QMetaObject::invokeMethod(f, slot.constData());
        });
    }
    // Record.
    own(QStringLiteral("first"), [this] { guarded([this] { file_->first(); }); });
    own(QStringLiteral("previous"), [this] { guarded([this] { file_->prior(); }); });
    own(QStringLiteral("next"), [this] { guarded([this] { file_->next(); }); });
    own(QStringLiteral("last"), [this] { guarded([this] { file_->last(); }); });
    ownSlot("add", &TAddressMain::addClick);
    ownSlot("edit", &TAddressMain::editClick);
    ownSlot("delete", &TAddressMain::deleteClick);
    ownSlot("copyToClipboard", &TAddressMain::copyToClipboardClick);
    ownSlot("clone", &TAddressMain::cloneClick);
    for (const auto& order : sortOrders()) {
        const QString name = order.name;
        own(QStringLiteral("sort") + order.tag, [this, name] { sortMenuClick(name); });
    }
    // Help.
    own(QStringLiteral("helpContents"), [this] { guarded([this] { openHelpContents(this); }); });
    own(QStringLiteral("helpSearch"), [this] { guarded([this] { openHelpSearch(this); }); });
    own(QStringLiteral("helpOnHelp"), [this] { guarded([this] { openHelpTopic(topic::HowToUseHelp, this); }); });
    ownSlot("gettingStarted", &TAddressMain::gettingStartedClick);
    own(QStringLiteral("faq"), [this] { guarded([this] { openHelpTopic(topic::FrequentlyAskedQuestions, this); }); });
    own(QStringLiteral("techSupport"), [this] { guarded([this] { openHelpTopic(topic::TechnicalSupport, this); }); });
    ownSlot("about", &TAddressMain::aboutClick);
    ownSlot("configuration", &TAddressMain::configurationClick);
    // The buttons of their own.
    ownSlot("saveButton", &TAddressMain::saveClick);
    ownSlot("cancelButton", &TAddressMain::cancelClick);
    own(QStringLiteral("exitButton"), [this] { close(); });
    ownSlot("clearFilterButton", &TAddressMain::clearFilterClick);
    ownSlot("dateButton", &TAddressMain::dateClick);
    ownSlot("searchMemo", &TAddressMain::searchMemoClick);
    ownSlot("findNext", &TAddressMain::findNextClick);
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

    // Top button bar.
    auto* top = new QHBoxLayout;
    for (const commands::Command* c : registry_.at(commands::Place::TopBar)) {
        QPushButton* b = makeButton(c->id);
        b->setMinimumHeight(36);
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
            grid->addWidget(makeButton(one ? QStringLiteral("dial1") : QStringLiteral("dial2")), row, 2);
        }
        ++row;
    }
    auto* dateLabel = new QLabel(QStringLiteral("Date"), addressPage);
    dateEdit_ = new QLineEdit(addressPage);
    dateEdit_->setObjectName(QStringLiteral("DisplayDate"));
    dateEdit_->setReadOnly(true);
    dateEdit_->setMaximumWidth(120);
    dateEdit_->setWhatsThis(QStringLiteral("The record's date; use the Date button to change it."));
    QPushButton* dateButton = makeButton(QStringLiteral("dateButton"));
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
    memoButtons->addWidget(makeButton(QStringLiteral("searchMemo")));
    memoButtons->addWidget(makeButton(QStringLiteral("findNext")));
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

    // Bottom bar: moving through the records, then the record's own buttons.
    auto* bottom = new QHBoxLayout;
    for (const commands::Command* c : registry_.at(commands::Place::NavigationBar)) bottom->addWidget(makeButton(c->id));
    bottom->addSpacing(12);
    for (const commands::Command* c : registry_.at(commands::Place::BottomBar)) bottom->addWidget(makeButton(c->id));
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
    state.memoFound = session_->memoFound;
    const Enabling e = computeEnabling(state);

    // Every control by its command's rules; a command whose feature is not
    // built stays disabled.
    for (const commands::Command& c : registry_.all()) {
        const bool on = c.available() && (!c.enabled || c.enabled(e, state));
        if (c.menu)
            if (QAction* a = action(c.menu->name)) a->setEnabled(on);
        if (c.button)
            if (QPushButton* b = button(c.button->name)) {
                if (c.button->visible) b->setVisible(c.button->visible(e, state));
                b->setEnabled(c.available() && (c.button->enabled ? c.button->enabled(e, state) : on));
            }
    }
    for (const commands::MenuSpec& m : commands::mainMenus())
        if (QMenu* menu = menus_.value(static_cast<int>(m.place))) menu->menuAction()->setEnabled(m.enabled(e, state));
    for (QAction* a : mruActions_) a->setEnabled(e.fileMenu);
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
        printer::printerReady(dialogs_);
    });
    client_->show();
    // A file given on the command line opens once the window is set up.
    if (!pendingOpen_.isEmpty()) openFile(std::exchange(pendingOpen_, QString()));
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
    QString path;
    guarded([this, &path] {
        path = dialogs_.chooseOpenFile(QStringLiteral("Open Address DataBase"), common::dataDir(),
                                       QStringLiteral("DBF Files|*.dbf"), QStringLiteral("DBF"));
    });
    if (!path.isEmpty()) openFile(path);
}

void TAddressMain::openFile(const QString& path) {
    if (firstActivationPending_) {
        pendingOpen_ = path;
        return;
    }
    // A file handed over by a later start (the file manager) while one of the
    // program's own windows is open is refused with a message: that window
    // works on the open file.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        dialogs_.showInfo(QStringLiteral("Close the \"") + modal->windowTitle() +
                          QStringLiteral("\" window first, then open ") + QFileInfo(path).fileName() +
                          QStringLiteral(" again."));
        return;
    }
    guarded([this, &path] {
        if (QFileInfo(path).suffix().toUpper() != QStringLiteral("DBF")) {
            dialogs_.showInfo(QStringLiteral("Must be a DBF file"));
            return;
        }
        file_->openBRWDBF(QFileInfo(path).absoluteFilePath());
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
