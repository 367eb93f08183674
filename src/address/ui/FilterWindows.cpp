#include "address/ui/FilterWindows.h"
#include "address/HelpTopics.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QWhatsThis>
#include <algorithm>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "address/AddressFile.h"
#include "common/ProfileFile.h"
#include "address/ui/DialogSupport.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"

namespace brindle::address::ui {
namespace {


constexpr int kDateIndex = 14;

// The "What's this?" text of filter field i: how values are typed, with a
// word on the fields that are compared in their own way.
QString filterFieldHelp(int i) {
    QString text = QStringLiteral(
        "Type a value the field must begin with; upper and lower case do not matter. Start with $ to look anywhere "
        "in the field (\"$son\"), or with >, <, >= or <= to compare (\">=M\"). Separate alternatives with ; "
        "(\"A;B\"), combine conditions with + (and) or ^ (and not) (\"A^$X\").");
    const QString field = QString::fromLatin1(queryFields()[static_cast<std::size_t>(i)].field);
    if (field == QLatin1String("DATE"))
        text += QStringLiteral(" Dates are typed as YYYYMMDD: 1999 finds every date of 1999, >=19990601 every date "
                               "from 1 June 1999.");
    if (field == QLatin1String("CITY"))
        text += QStringLiteral(" The city is compared together with the state that follows it, so a whole city name "
                               "finds that city in every state.");
    if (field == QLatin1String("CODES"))
        text += QStringLiteral(" To find a code letter anywhere among the codes, type $ and the letter (\"$C\").");
    return text;
}

// Where each filter edit sits: the two columns of the main window's record page.
struct Place {
    int row, column;
};
constexpr Place kPlaces[kQueryTextCount] = {
    {0, 0}, {0, 1},  // Last, First
    {1, 0}, {1, 1},  // Title, Org
    {2, 0}, {3, 0},  // Address 1, Address 2
    {5, 1}, {4, 0},  // Zip, City
    {5, 0}, {6, 0},  // State, Country
    {2, 1}, {3, 1},  // Phone 1, Phone 2
    {4, 1}, {6, 1},  // Fax, E-mail
    {9, 0}, {7, 0},  // Date, Codes
    {8, 0}, {8, 1},  // Comment 1, Comment 2
};

}  // namespace

TAddressQueryForm::TAddressQueryForm(AddressFile& file, common::UserDialogs& dialogs, QWidget* parent,
                                     const QueryVars* shown)
    : HelpDialog(topic::FilterWindow, parent), file_(file), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TAddressQueryForm"));
    setWindowTitle(QStringLiteral("Address Filter"));
    auto* grid = new QGridLayout;
    const QueryVars& v = shown ? *shown : file_.queryVars();
    for (int i = 0; i < kQueryTextCount; ++i) {
        const QueryField& f = queryFields()[static_cast<std::size_t>(i)];
        auto* e = new QLineEdit(v.texts[static_cast<std::size_t>(i)], this);
        e->setObjectName(QStringLiteral("q") + QString::fromLatin1(f.field));
        e->setMaxLength(255);
        e->setWhatsThis(filterFieldHelp(i));
        // A right click explains the field instead of offering cut and paste.
        e->installEventFilter(this);
        auto* label = new QLabel(QString::fromLatin1(f.label), this);
        label->setBuddy(e);
        edits_[static_cast<std::size_t>(i)] = e;
        const Place p = kPlaces[i];
        grid->addWidget(label, p.row, p.column * 2);
        grid->addWidget(e, p.row, p.column * 2 + 1);
    }
    QLineEdit* date = edits_[kDateIndex];
    date->setToolTip(QStringLiteral("Note: enter dates in the form: YYYYMMDD\r(i.e. 19970428 for April 28, 1997)"));
    dateNote_ = new QLabel(QStringLiteral("(YYYYMMDD)"), this);
    dateNote_->setObjectName(QStringLiteral("dateNote"));
    dateNote_->setVisible(false);
    grid->addWidget(dateNote_, 10, 1);
    tagged_ = new QCheckBox(QStringLiteral("Tagged"), this);
    reverse_ = new QCheckBox(QStringLiteral("Reverse"), this);
    tagged_->setObjectName(QStringLiteral("qTagged"));
    reverse_->setObjectName(QStringLiteral("qReverse"));
    tagged_->setChecked(v.taggedOnly);
    reverse_->setChecked(v.reverse);
    tagged_->setWhatsThis(QStringLiteral("Only records that are tagged."));
    reverse_->setWhatsThis(QStringLiteral("Every record that does not meet the other conditions together."));
    grid->addWidget(tagged_, 9, 2);
    grid->addWidget(reverse_, 9, 3);

    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("countLine"));
    // Wide enough for any count from the start, so the window keeps its size
    // (and its place over the main window) while the count changes.
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("Searching... 00000000 matches")));
    auto* hint = new QLabel(
        QStringLiteral("Hint: to look for only part of a value, first type in a $ and then the value to look for. As an "
                       "example, to find all records containing the code letter C in the Codes field, type in $C. Right "
                       "click on any field or press HELP for more helpful tips"),
        this);
    hint->setWordWrap(true);
    auto* test = plainButton(QStringLiteral("Test"), QStringLiteral("testButton"), this);
    auto* clear = plainButton(QStringLiteral("Clear"), QStringLiteral("clearButton"), this);
    auto* ok = plainButton(QStringLiteral("Ok"), QStringLiteral("okButton"), this);
    auto* cancel = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    ok->setDefault(true);
    test->setWhatsThis(QStringLiteral("Applies the filter and shows how many records match."));
    clear->setWhatsThis(QStringLiteral("Empties every value and shows all records."));
    ok->setWhatsThis(QStringLiteral("Applies the filter and closes the window."));
    cancel->setWhatsThis(QStringLiteral("Closes and puts the previous filter back."));
    connect(test, &QPushButton::clicked, this, &TAddressQueryForm::testClicked);
    connect(clear, &QPushButton::clicked, this, &TAddressQueryForm::clearClicked);
    connect(ok, &QPushButton::clicked, this, &TAddressQueryForm::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(count_, 1);
    for (QPushButton* b : {test, clear, ok, cancel}) buttons->addWidget(b);
    buttons->addWidget(makeHelpButton());
    auto* v2 = new QVBoxLayout(this);
    v2->addLayout(grid);
    v2->addWidget(hint);
    v2->addLayout(buttons);
}

bool TAddressQueryForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edits_[kDateIndex]) {
        if (event->type() == QEvent::FocusIn) dateNote_->setVisible(true);
        if (event->type() == QEvent::FocusOut) dateNote_->setVisible(false);
    }
    if (event->type() == QEvent::ContextMenu) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && std::find(edits_.begin(), edits_.end(), edit) != edits_.end()) {
            QWhatsThis::showText(static_cast<QContextMenuEvent*>(event)->globalPos(), edit->whatsThis(), edit);
            return true;
        }
    }
    return HelpDialog::eventFilter(watched, event);
}

QueryVars TAddressQueryForm::vars() const {
    QueryVars v;
    for (int i = 0; i < kQueryTextCount; ++i) v.texts[static_cast<std::size_t>(i)] = edits_[static_cast<std::size_t>(i)]->text();
    v.taggedOnly = tagged_->isChecked();
    v.reverse = reverse_->isChecked();
    return v;
}

void TAddressQueryForm::testClicked() {
    count_->setText(QStringLiteral("Searching..."));
    file_.setQueryVars(vars());
    dialogs_.processEvents();
    const int n = file_.applyQuery();
    count_->setText(file_.filterSet() ? QString::number(n) + QStringLiteral(" matches") : QStringLiteral("No filter set"));
    file_.first();
}

void TAddressQueryForm::okClicked() {
    testClicked();
    // A refused value stays in its edit to be corrected.
    if (!file_.lastQueryRefused()) accept();
}

void TAddressQueryForm::clearClicked() {
    for (QLineEdit* e : edits_) e->clear();
    tagged_->setChecked(false);
    reverse_->setChecked(false);
    testClicked();
}

// ---------------------------------------------------------------- browse

TAddressBrowseForm::TAddressBrowseForm(AddressFile& file, const QStringList& columnOrder,
                                       std::function<void()> toggleTag, common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(topic::BrowseWindow, parent), file_(file), order_(columnOrder), toggleTag_(std::move(toggleTag)), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TAddressBrowseForm"));
    setWindowTitle(QStringLiteral("Address Browse"));
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("grid"));
    model_ = new AddressTableModel(file_, order_, this);
    grid_->setModel(model_);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->horizontalHeader()->setSectionsMovable(true);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->setWhatsThis(QStringLiteral("The records of the current filter. Double click a row to tag or untag it; drag "
                                       "a column title to move the column."));
    connect(grid_, &QTableView::doubleClicked, this, [this] { tagCurrent(); });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { rowChanged(); });

    auto* h = new QHBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        int how;
    } nav[] = {{"firstButton", "|<", 0}, {"previousButton", "<", 1}, {"nextButton", ">", 2}, {"lastButton", ">|", 3}};
    for (const auto& n : nav) {
        auto* b = plainButton(QString::fromLatin1(n.caption), QString::fromLatin1(n.name), this);
        b->setWhatsThis(QStringLiteral("Moves to the first, previous, next or last record."));
        const int how = n.how;
        connect(b, &QPushButton::clicked, this, [this, how] { move(how); });
        h->addWidget(b);
    }
    auto* tag = plainButton(QStringLiteral("&Tag"), QStringLiteral("tagButton"), this);
    tag->setWhatsThis(QStringLiteral("Tags or untags the current record."));
    connect(tag, &QPushButton::clicked, this, &TAddressBrowseForm::tagCurrent);
    auto* ok = plainButton(QStringLiteral("Ok"), QStringLiteral("okButton"), this);
    ok->setWhatsThis(QStringLiteral("Closes the window."));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    h->addWidget(tag);
    h->addStretch();
    h->addWidget(ok);
    h->addWidget(makeHelpButton());
    auto* v = new QVBoxLayout(this);
    v->addWidget(grid_);
    v->addLayout(h);
    resize(720, 420);

    // Start on the main window's record.
    if (file_.hasRecord()) {
        const int row = model_->rowOf(file_.recNo());
        if (row >= 0) grid_->setCurrentIndex(model_->index(row, 0));
    } else if (model_->canFetchMore({})) {
        model_->fetchMore({});
    }
}

TAddressBrowseForm::~TAddressBrowseForm() = default;

void TAddressBrowseForm::showEvent(QShowEvent* e) {
    HelpDialog::showEvent(e);
    if (placed_) return;
    placed_ = true;
    const qreal dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;
    if (dpi > 96.0) resize(size() * (dpi / 96.0 * 0.95));
    common::ProfileFile settings(file_.settingsPath());
    common::restorePlacement(this, objectName(), settings, parentWidget());
    // Each column as wide as its title and the values of the rows read so far.
    grid_->resizeColumnsToContents();
}

void TAddressBrowseForm::done(int r) {
    try {
        common::ProfileFile settings(file_.settingsPath());
        common::savePlacement(this, objectName(), settings);
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
    HelpDialog::done(r);
}

QStringList TAddressBrowseForm::columnOrder() const {
    QStringList shown;
    const QHeaderView* header = grid_->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) shown << model_->shownColumns()[header->logicalIndex(visual)];
    return mergeShownOrder(order_, shown);
}

void TAddressBrowseForm::rowChanged() {
    const std::uint32_t r = model_->recnoAt(grid_->currentIndex().row());
    if (r > 0 && file_.isOpen() && file_.recNo() != r) {
        file_.table()->go(r);
        file_.refresh();
    }
}

void TAddressBrowseForm::move(int how) {
    const int rows = model_->rowCount();
    int row = grid_->currentIndex().row();
    int target = row;
    switch (how) {
    case 0: target = 0; break;
    case 1: target = row - 1; break;
    case 2:
        if (row + 1 >= rows && model_->canFetchMore({})) model_->fetchMore({});
        target = row + 1;
        break;
    default:
        while (model_->canFetchMore({})) model_->fetchMore({});
        target = model_->rowCount() - 1;
        break;
    }
    if (target < 0 || target >= model_->rowCount() || (target == row && how != 0 && how != 3)) {
        dialogs_.beep();
        return;
    }
    grid_->setCurrentIndex(model_->index(target, std::max(0, grid_->currentIndex().column())));
}

void TAddressBrowseForm::tagCurrent() {
    const int row = grid_->currentIndex().row();
    if (row < 0) {
        dialogs_.beep();
        return;
    }
    if (toggleTag_) toggleTag_();
    model_->refreshRow(row);
}

}  // namespace brindle::address::ui
