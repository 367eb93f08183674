#include "spelling/ui/TSpellCheckDialog.h"

#include "common/Common.h"
#include "common/UserDialogs.h"
#include "help/HelpTopics.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace brindle::spelling::ui {

namespace {

QLabel* heading(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    return l;
}

}  // namespace

TSpellCheckDialog::TSpellCheckDialog(richtext::RichDocument& document, common::UserDialogs& dialogs,
                                     RichTextWords::Highlight highlight, QWidget* parent, const QString& mainPath,
                                     const QString& userPath)
    : HelpDialog(help::topic::SpellCheck, parent), m_words(document, std::move(highlight)), m_dialogs(dialogs) {
    setWindowTitle(QStringLiteral("Spell Check"));

    m_word = new QLabel(this);
    m_word->setObjectName(QStringLiteral("errorWord"));
    m_word->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    m_word->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_replaceWith = new QLineEdit(this);
    m_replaceWith->setObjectName(QStringLiteral("replaceWith"));
    m_replaceWith->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("replacements"));
    m_list->setMinimumHeight(140);

    m_replace = new QPushButton(QStringLiteral("Replace "), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_skip = new QPushButton(QStringLiteral("&Skip Word"), this);
    m_add = new QPushButton(QStringLiteral("&Add Word"), this);
    m_replace->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(heading(QStringLiteral("Possible spelling error"), this), 0, 0);
    grid->addWidget(m_word, 1, 0);
    grid->addWidget(heading(QStringLiteral("Replace with"), this), 2, 0);
    grid->addWidget(m_replaceWith, 3, 0);
    grid->addWidget(heading(QStringLiteral("Possible replacements"), this), 4, 0);
    grid->addWidget(m_list, 5, 0, 2, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_replace, m_cancel, m_skip, m_add}) buttons->addWidget(b);
    buttons->addWidget(makeHelpButton());
    buttons->addWidget(makeMouseHelpButton(), 0, Qt::AlignLeft);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 1, 7, 1);
    grid->setColumnStretch(0, 1);
    setMinimumWidth(420);
    m_word->setWhatsThis(QStringLiteral("The word the dictionaries do not know; it is highlighted in the letter."));
    m_replaceWith->setWhatsThis(QStringLiteral("The text Replace puts in place of the word. Type your own or pick a "
                                               "suggestion."));
    m_list->setWhatsThis(QStringLiteral("Words like the one found. Click one to copy it into Replace with."));
    m_replace->setWhatsThis(QStringLiteral("Replaces the word with the text of Replace with and goes on."));
    m_skip->setWhatsThis(QStringLiteral("Leaves the word as it is and goes on."));
    m_add->setWhatsThis(QStringLiteral("Adds the word to your own dictionary (brindlu.dct) and goes on."));

    connect(m_list, &QListWidget::currentTextChanged, this, [this](const QString& text) {
        if (!text.isEmpty()) m_replaceWith->setText(text);
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { m_replaceWith->setText(item->text()); });
    connect(m_replace, &QPushButton::clicked, this, &TSpellCheckDialog::ReplaceButtonClick);
    connect(m_skip, &QPushButton::clicked, this, &TSpellCheckDialog::SkipButtonClick);
    connect(m_add, &QPushButton::clicked, this, &TSpellCheckDialog::AddButtonClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_session = std::make_unique<SpellSession>(m_checker, m_words, m_dialogs);
    m_session->open(mainPath.isEmpty() ? common::dictionaryPath() : mainPath,
                    userPath.isEmpty() ? common::userDictionaryPath() : userPath);
    m_add->setEnabled(m_session->canAddWord());
}

TSpellCheckDialog::~TSpellCheckDialog() {
    if (!m_closed) m_session->close();
}

bool TSpellCheckDialog::mainDictionaryExists() { return QFileInfo::exists(common::dictionaryPath()); }

void TSpellCheckDialog::run(richtext::RichDocument& document, common::UserDialogs& dialogs, QWidget* parent,
                            RichTextWords::Highlight highlight) {
    TSpellCheckDialog dialog(document, dialogs, std::move(highlight), parent);
    dialog.execCentred(parent);
}

void TSpellCheckDialog::showEvent(QShowEvent* e) {
    HelpDialog::showEvent(e);
    if (m_started) return;
    m_started = true;
    const bool found = m_session->start();
    if (found)
        showWord();
    else
        // Closing from inside the show would leave the window half open.
        QTimer::singleShot(0, this, [this] { afterStep(false); });
}

void TSpellCheckDialog::showWord() {
    m_word->setText(m_session->word());
    m_list->blockSignals(true);
    m_list->clear();
    m_list->addItems(m_session->suggestions());
    m_list->blockSignals(false);
    m_replaceWith->setText(m_session->proposedReplacement());
    m_replaceWith->setFocus();
    m_replaceWith->selectAll();
}

void TSpellCheckDialog::afterStep(bool found) {
    if (found) {
        showWord();
        return;
    }
    hide();
    m_session->reportComplete();
    accept();
}

void TSpellCheckDialog::ReplaceButtonClick() { afterStep(m_session->replace(m_replaceWith->text())); }
void TSpellCheckDialog::SkipButtonClick() { afterStep(m_session->skip()); }
// A word that could not be stored keeps the dialog on it (the user was told).
void TSpellCheckDialog::AddButtonClick() { afterStep(m_session->addWord()); }

void TSpellCheckDialog::done(int result) {
    if (!m_closed) {
        m_closed = true;
        m_session->close();
    }
    HelpDialog::done(result);
}

}  // namespace brindle::spelling::ui
