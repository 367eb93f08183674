#include "letters/ui/TLetterDesign.h"

#include <QAction>
#include <QActionGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFontComboBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include "commands/Command.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"
#include "help/HelpTopics.h"
#include "letters/LetterList.h"
#include "letters/MergeTokens.h"
#include "richtext/TextFormats.h"
#include "richtext/ui/ParagraphFormat.h"
#include "richtext/ui/RichTextDialogs.h"
#include "richtext/ui/RichTextEditor.h"
#include "richtext/ui/RulerBar.h"
#include "spelling/ui/TSpellCheckDialog.h"

namespace brindle::letters::ui {

namespace {

const QString kClassName = QStringLiteral("TLetterDesign");
const QString kRtfFilter = QStringLiteral("RTF Files|*.rtf|All Files|*");
const QString kBullet = QString(QChar(0x2022)) + QLatin1Char('\t');
constexpr int kBulletIndent = 360;

const int kFontSizes[] = {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// Small drawn icons, so the toolbar looks the same on every desktop.
QIcon drawnIcon(const std::function<void(QPainter&)>& draw) {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return QIcon(pm);
}

QIcon alignIcon(Qt::Alignment a) {
    return drawnIcon([a](QPainter& p) {
        p.setPen(QPen(Qt::black, 1.5));
        const int lengths[] = {14, 9, 14, 11};
        for (int i = 0; i < 4; ++i) {
            int len = a == Qt::AlignJustify ? 14 : lengths[i];
            int x = 3;
            if (a == Qt::AlignRight) x = 17 - len;
            else if (a == Qt::AlignHCenter) x = 10 - len / 2;
            p.drawLine(x, 4 + i * 4, x + len, 4 + i * 4);
        }
    });
}

QIcon letterIcon(const QString& text, const QFont& font, const QColor& bar = QColor()) {
    return drawnIcon([&](QPainter& p) {
        p.setFont(font);
        p.drawText(QRect(0, 0, 20, bar.isValid() ? 16 : 20), Qt::AlignCenter, text);
        if (bar.isValid()) p.fillRect(3, 16, 14, 3, bar);
    });
}

}  // namespace

TLetterDesign::TLetterDesign(common::UserDialogs& dialogs, common::ProfileFile& settings, QWidget* parent)
    : HelpDialog(help::topic::LetterDesigner, parent), dialogs_(dialogs), settings_(settings) {
    setWindowTitle(QStringLiteral("Letter Designer"));
    setObjectName(kClassName);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setSizeGripEnabled(true);
    // A new document is Letter paper with one-inch margins.
    document_.setPage(richtext::kLetterPage);
    defaultFont_ = readDefaultFont(settings_);

    chooseColour = [this](const QColor& initial, const QString& title) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this, title);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    chooseFont = [this](const DefaultFont& initial) -> std::optional<DefaultFont> {
        QFont f(initial.name, initial.size);
        f.setBold(initial.bold);
        f.setItalic(initial.italic);
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, f, this, QStringLiteral("Default Font"));
        if (!ok) return std::nullopt;
        return DefaultFont{chosen.family(), std::max(1, chosen.pointSize()), chosen.bold(), chosen.italic()};
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);

    editor_ = new richtext::ui::RichTextEditor(document_, this);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setWhatsThis(QStringLiteral("The letter. Type text and merge fields here."));
    layout->addWidget(buildToolbar());

    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(new QLabel(QStringLiteral("Description"), this));
    description_ = new QLineEdit(this);
    description_->setObjectName(QStringLiteral("description"));
    description_->setMaxLength(kDescriptionLength);
    description_->setWhatsThis(QStringLiteral("The name of the letter in the list of letters."));
    fieldRow->addWidget(description_, 2);
    fieldRow->addSpacing(12);
    fieldRow->addWidget(new QLabel(QStringLiteral("Insert field"), this));
    insertField_ = new QComboBox(this);
    insertField_->setObjectName(QStringLiteral("insertField"));
    insertField_->addItems(mergeTokenNames());
    insertField_->setCurrentIndex(0);
    insertField_->setWhatsThis(QStringLiteral("Choose a field to put it into the letter at the cursor."));
    fieldRow->addWidget(insertField_, 1);
    layout->addLayout(fieldRow);

    ruler_ = new richtext::ui::RulerBar(*editor_, this);
    layout->addWidget(ruler_);
    layout->addWidget(editor_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("Ok"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    preview_button_ = new QPushButton(QStringLiteral("Preview"), this);
    preview_button_->setObjectName(QStringLiteral("Preview"));
    preview_button_->setEnabled(false);
    preview_button_->setToolTip(commands::notYetAvailableHint());
    for (QPushButton* b : {ok, cancel, preview_button_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    auto* help = makeHelpButton();
    help->setAutoDefault(false);
    buttons->addWidget(help);
    layout->addLayout(buttons);

    buildMenus(bar);

    // The spell checker works on the document in place and shows each word it
    // stops at as the editor's selection.
    setSpellCheckAction([this](richtext::RichDocument& doc) {
        spelling::ui::TSpellCheckDialog::run(doc, dialogs_, this, [this](int start, int length) {
            QTextCursor c(document_.document());
            c.setPosition(start);
            c.setPosition(start + length, QTextCursor::KeepAnchor);
            editor_->setTextCursor(c);
            editor_->ensureCursorVisible();
        });
    });

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, [this] {
        cancelling_ = true;
        QDialog::reject();
    });
    connect(preview_button_, &QPushButton::clicked, this, [this] {
        if (preview_) preview_(document_);
    });
    connect(insertField_, &QComboBox::activated, this, &TLetterDesign::insertFieldChosen);
    connect(editor_, &richtext::ui::RichTextEditor::cursorChanged, this, &TLetterDesign::showFormat);
    resize(820, 640);
}

// The editor outlives the document (child widgets go after the members).
TLetterDesign::~TLetterDesign() { editor_->detachDocument(); }

QWidget* TLetterDesign::buildToolbar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    fontName_ = new QFontComboBox(bar);
    fontName_->setObjectName(QStringLiteral("fontName"));
    fontName_->setToolTip(QStringLiteral("Font"));
    fontName_->setMaximumWidth(200);
    fontSize_ = new QComboBox(bar);
    fontSize_->setObjectName(QStringLiteral("fontSize"));
    fontSize_->setToolTip(QStringLiteral("Font Size"));
    fontSize_->setEditable(true);
    for (int s : kFontSizes) fontSize_->addItem(QString::number(s));
    row->addWidget(fontName_);
    row->addWidget(fontSize_);
    connect(fontName_, &QFontComboBox::textActivated, this, [this](const QString& family) {
        QTextCharFormat f;
        f.setFontFamilies({family});
        editor_->mergeCharFormat(f);
        editor_->focusText();
    });
    connect(fontSize_, &QComboBox::textActivated, this, [this](const QString& text) {
        bool ok = false;
        const double size = text.toDouble(&ok);
        if (!ok || size < 6 || size > 1638) {
            dialogs_.showInfo(QStringLiteral("Font sizes run from 6 to 1638 points."));
            showFormat();
            return;
        }
        QTextCharFormat f;
        f.setFontPointSize(size);
        editor_->mergeCharFormat(f);
        editor_->focusText();
    });

    const auto tool = [&](const QString& name, const QString& tip, const QIcon& icon, bool checkable = false) {
        auto* b = new QToolButton(bar);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setIcon(icon);
        b->setCheckable(checkable);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
        return b;
    };
    row->addSpacing(6);
    QFont plain = font();
    plain.setPixelSize(14);
    QFont bold = plain, italic = plain, underline = plain;
    bold.setBold(true);
    italic.setItalic(true);
    underline.setUnderline(true);
    connect(tool(QStringLiteral("fontColor"), QStringLiteral("Font Color"), letterIcon(QStringLiteral("A"), bold, Qt::red)),
            &QToolButton::clicked, this, &TLetterDesign::setFontColour);
    connect(tool(QStringLiteral("backColor"), QStringLiteral("Background Color"),
                 letterIcon(QStringLiteral("ab"), plain, Qt::yellow)),
            &QToolButton::clicked, this, &TLetterDesign::setBackgroundColour);
    row->addSpacing(6);
    connect(tool(QStringLiteral("normal"), QStringLiteral("Normal"), letterIcon(QStringLiteral("N"), plain)),
            &QToolButton::clicked, this, [this] {
                QTextCharFormat f;
                f.setFontWeight(QFont::Normal);
                f.setFontItalic(false);
                f.setFontUnderline(false);
                editor_->mergeCharFormat(f);
            });
    connect(tool(QStringLiteral("bold"), QStringLiteral("Bold"), letterIcon(QStringLiteral("B"), bold), true),
            &QToolButton::clicked, this, [this](bool on) {
                QTextCharFormat f;
                f.setFontWeight(on ? QFont::Bold : QFont::Normal);
                editor_->mergeCharFormat(f);
            });
    connect(tool(QStringLiteral("italic"), QStringLiteral("Italic"), letterIcon(QStringLiteral("I"), italic), true),
            &QToolButton::clicked, this, [this](bool on) {
                QTextCharFormat f;
                f.setFontItalic(on);
                editor_->mergeCharFormat(f);
            });
    connect(tool(QStringLiteral("underline"), QStringLiteral("Underline"), letterIcon(QStringLiteral("U"), underline),
                 true),
            &QToolButton::clicked, this, [this](bool on) {
                QTextCharFormat f;
                f.setFontUnderline(on);
                editor_->mergeCharFormat(f);
            });
    row->addSpacing(6);
    auto* group = new QActionGroup(bar);
    const struct {
        const char* name;
        const char* tip;
        Qt::Alignment alignment;
    } aligns[] = {{"alignLeft", "Align Left", Qt::AlignLeft},
                  {"alignRight", "Align Right", Qt::AlignRight},
                  {"alignJustify", "Justify", Qt::AlignJustify},
                  {"alignCenter", "Center", Qt::AlignHCenter}};
    for (const auto& a : aligns) {
        QToolButton* b = tool(QString::fromLatin1(a.name), QString::fromLatin1(a.tip), alignIcon(a.alignment), true);
        auto* act = new QAction(b->icon(), b->toolTip(), group);
        act->setCheckable(true);
        b->setDefaultAction(act);
        b->setObjectName(QString::fromLatin1(a.name));
        const Qt::Alignment alignment = a.alignment;
        connect(act, &QAction::triggered, this, [this, alignment] {
            QTextBlockFormat f;
            f.setAlignment(alignment);
            editor_->mergeBlockFormat(f);
        });
    }
    connect(tool(QStringLiteral("bullets"), QStringLiteral("Bullets"), drawnIcon([](QPainter& p) {
                     for (int i = 0; i < 3; ++i) {
                         p.setBrush(Qt::black);
                         p.drawEllipse(QPointF(4, 5 + i * 5), 1.6, 1.6);
                         p.drawLine(8, 5 + i * 5, 17, 5 + i * 5);
                     }
                 })),
            &QToolButton::clicked, this, &TLetterDesign::toggleBullets);
    row->addSpacing(6);
    const QStyle* st = style();
    connect(tool(QStringLiteral("copy"), QStringLiteral("Copy"), letterIcon(QStringLiteral("Cp"), plain)),
            &QToolButton::clicked, editor_, &richtext::ui::RichTextEditor::copy);
    connect(tool(QStringLiteral("cut"), QStringLiteral("Cut"), letterIcon(QStringLiteral("Ct"), plain)),
            &QToolButton::clicked, editor_, &richtext::ui::RichTextEditor::cut);
    connect(tool(QStringLiteral("paste"), QStringLiteral("Paste"), letterIcon(QStringLiteral("Ps"), plain)),
            &QToolButton::clicked, editor_, &richtext::ui::RichTextEditor::paste);
    Q_UNUSED(st);
    row->addStretch(1);
    return bar;
}

void TLetterDesign::buildMenus(QMenuBar* bar) {
    const auto item = [this](QMenu* menu, const QString& name, const QString& caption, auto slot,
                             const QKeySequence& key = {}) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    item(file, QStringLiteral("saveAsRtf"), QStringLiteral("&Save as RTF"), &TLetterDesign::saveAsRtf);
    item(file, QStringLiteral("loadRtf"), QStringLiteral("&Load RTF"), &TLetterDesign::loadRtf);
    item(file, QStringLiteral("insertRtf"), QStringLiteral("&Insert RTF"), &TLetterDesign::insertRtf);
    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    QAction* undo = item(edit, QStringLiteral("undo"), QStringLiteral("&Undo"), [this] { document_.undo(); },
                         QKeySequence::Undo);
    QAction* redo = item(edit, QStringLiteral("redo"), QStringLiteral("Re&do"), [this] { document_.redo(); },
                         QKeySequence(Qt::CTRL | Qt::Key_Y));
    connect(edit, &QMenu::aboutToShow, this, [this, undo, redo] {
        undo->setEnabled(document_.canUndo());
        redo->setEnabled(document_.canRedo());
    });
    edit->addSeparator();
    item(edit, QStringLiteral("find"), QStringLiteral("&Find"), [this] { openFind(false); },
         QKeySequence(Qt::CTRL | Qt::Key_F));
    item(edit, QStringLiteral("replace"), QStringLiteral("&Replace"), [this] { openFind(true); },
         QKeySequence(Qt::CTRL | Qt::Key_R));
    QAction* spell = item(edit, QStringLiteral("spellCheck"), QStringLiteral("&Spell Check"), [this] {
        if (spellCheck_) spellCheck_(document_);
    }, QKeySequence(Qt::Key_F7));
    spell->setEnabled(false);
    item(edit, QStringLiteral("insertPageBreak"), QStringLiteral("&Insert Page Break"), &TLetterDesign::insertPageBreak);
    QMenu* settingsMenu = bar->addMenu(QStringLiteral("&Settings"));
    item(settingsMenu, QStringLiteral("paragraphSettings"), QStringLiteral("&Paragraph Settings"),
         &TLetterDesign::paragraphSettings);
    item(settingsMenu, QStringLiteral("pageSettings"), QStringLiteral("Pa&ge Settings"), &TLetterDesign::pageSettings);
    item(settingsMenu, QStringLiteral("wordWrap"), wordWrapCaption(false), &TLetterDesign::toggleWordWrap);
    item(settingsMenu, QStringLiteral("defaultFont"), defaultFontCaption(defaultFont_),
         &TLetterDesign::chooseDefaultFont);
}

QAction* TLetterDesign::action(const QString& name) const { return findChild<QAction*>(name); }
QToolButton* TLetterDesign::tool(const QString& name) const { return findChild<QToolButton*>(name); }
QPushButton* TLetterDesign::button(const QString& caption) const { return findChild<QPushButton*>(caption); }

void TLetterDesign::setPreviewAction(std::function<void(const richtext::RichDocument&)> preview) {
    preview_ = std::move(preview);
    preview_button_->setEnabled(bool(preview_));
    preview_button_->setToolTip(preview_ ? QString() : commands::notYetAvailableHint());
}

void TLetterDesign::setSpellCheckAction(std::function<void(richtext::RichDocument&)> spellCheck) {
    spellCheck_ = std::move(spellCheck);
    // Only with the main dictionary installed.
    action(QStringLiteral("spellCheck"))->setEnabled(spellCheck_ && spelling::ui::TSpellCheckDialog::mainDictionaryExists());
}

bool TLetterDesign::loadDocument(const std::function<bool(richtext::RichDocument&)>& load) {
    bool ok = false;
    editor_->replaceDocument([&] { ok = load(document_); });
    return ok;
}

void TLetterDesign::setDescription(const QString& description) { description_->setText(description); }
QString TLetterDesign::description() const { return description_->text(); }

void TLetterDesign::showEvent(QShowEvent* event) {
    HelpDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    editor_->setWrapAtWindow(false);
    action(QStringLiteral("wordWrap"))->setText(wordWrapCaption(false));
    editor_->documentReplaced();
    if (newLetter_) applyDefaultFont();
    try {
        common::restorePlacement(this, kClassName, settings_, parentWidget());
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
    editor_->focusText();
}

void TLetterDesign::done(int result) {
    if (shown_) {
        try {
            common::savePlacement(this, kClassName, settings_);
        } catch (const std::exception& e) {
            dialogs_.showError(QString::fromUtf8(e.what()));
        }
    }
    HelpDialog::done(result);
}

// The close box keeps the edits, as Ok does; only Cancel discards them.
void TLetterDesign::reject() {
    if (cancelling_) HelpDialog::reject();
    else accept();
}

void TLetterDesign::keyPressEvent(QKeyEvent* event) {
    // Escape neither keeps nor discards a letter by accident.
    if (event->key() == Qt::Key_Escape) return;
    HelpDialog::keyPressEvent(event);
}

void TLetterDesign::applyDefaultFont() {
    QTextCursor c = editor_->textCursor();
    document_.setInsertionFont(c, defaultFont_.name, defaultFont_.size, defaultFont_.bold, defaultFont_.italic);
    editor_->setTextCursor(c);
}

void TLetterDesign::showFormat() {
    const QTextCursor c = editor_->textCursor();
    const QTextCharFormat f = c.charFormat();
    const QSignalBlocker b1(fontName_), b2(fontSize_);
    const QString family = f.fontFamilies().toStringList().value(0);
    if (!family.isEmpty()) {
        // The name as the letter holds it ("Times New Roman"), not the face it is drawn with.
        fontName_->setCurrentFont(QFont(family));
        if (fontName_->isEditable()) fontName_->setEditText(family);
    }
    const double size = f.fontPointSize() > 0 ? f.fontPointSize() : 12;
    fontSize_->setCurrentText(QString::number(size));
    tool(QStringLiteral("bold"))->setChecked(f.fontWeight() >= QFont::DemiBold);
    tool(QStringLiteral("italic"))->setChecked(f.fontItalic());
    tool(QStringLiteral("underline"))->setChecked(f.fontUnderline());
    const Qt::Alignment a = c.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    const char* name = a & Qt::AlignJustify ? "alignJustify" : a & Qt::AlignHCenter ? "alignCenter"
                       : a & Qt::AlignRight ? "alignRight" : "alignLeft";
    if (QToolButton* b = tool(QString::fromLatin1(name)); b && b->defaultAction()) b->defaultAction()->setChecked(true);
}

void TLetterDesign::insertFieldChosen(int index) {
    if (index < 0) return;
    QTextCursor c = editor_->textCursor();
    document_.insertText(c, tokenText(insertField_->itemText(index)));
    editor_->setTextCursor(c);
    editor_->focusText();
}

void TLetterDesign::insertPageBreak() {
    if (!dialogs_.askYesNo(QStringLiteral("Insert a page break?"), QStringLiteral("PAGE BREAK"))) return;
    QTextCursor c = editor_->textCursor();
    document_.insertPageBreak(c);
    editor_->setTextCursor(c);
}

void TLetterDesign::saveAsRtf() {
    const QString path = dialogs_.chooseSaveFile(QStringLiteral("Save as RTF"), QString(), kRtfFilter,
                                                 QStringLiteral("rtf"));
    if (path.isEmpty()) return;
    QString error;
    if (!document_.saveFile(path, &error)) dialogs_.showInfo(error);
}

void TLetterDesign::loadRtf() {
    const QString path = dialogs_.chooseOpenFile(QStringLiteral("Load RTF"), QString(), kRtfFilter,
                                                 QStringLiteral("rtf"));
    if (path.isEmpty()) return;
    QString error;
    QStringList warnings;
    bool loaded = false;
    editor_->replaceDocument([&] { loaded = document_.loadFile(path, &error, &warnings); });
    if (!loaded) {
        dialogs_.showInfo(error);
        return;
    }
    if (!warnings.isEmpty()) dialogs_.showInfo(warnings.join(QLatin1Char('\n')));
}

void TLetterDesign::insertRtf() {
    const QString path = dialogs_.chooseOpenFile(QStringLiteral("Insert RTF"), QString(), kRtfFilter,
                                                 QStringLiteral("rtf"));
    if (path.isEmpty()) return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        dialogs_.showInfo(QStringLiteral("Unable to open %1: %2").arg(path, f.errorString()));
        return;
    }
    QTextCursor c = editor_->textCursor();
    const QStringList warnings = document_.insertRtf(c, f.readAll());
    editor_->setTextCursor(c);
    if (!warnings.isEmpty()) dialogs_.showInfo(warnings.join(QLatin1Char('\n')));
}

void TLetterDesign::paragraphSettings() {
    const richtext::ui::ParagraphFormat current =
        richtext::ui::readParagraphFormat(editor_->textCursor().blockFormat());
    richtext::ui::TParagraphDialog dlg(current, document_.page().textWidth(), dialogs_, help::topic::LetterDesigner,
                                       this);
    if (dlg.execCentred(this) != QDialog::Accepted) return;
    editor_->applyParagraph(dlg.format());
}

void TLetterDesign::pageSettings() {
    richtext::ui::TPageSetupDialog dlg(document_.page(), dialogs_, help::topic::LetterDesigner, this);
    if (dlg.execCentred(this) != QDialog::Accepted) return;
    // The page changes in place; the text is laid out again at the new width.
    document_.setPage(dlg.page());
    editor_->documentReplaced();
}

void TLetterDesign::toggleWordWrap() {
    editor_->setWrapAtWindow(!editor_->wrapAtWindow());
    action(QStringLiteral("wordWrap"))->setText(wordWrapCaption(editor_->wrapAtWindow()));
}

void TLetterDesign::chooseDefaultFont() {
    const std::optional<DefaultFont> chosen = chooseFont ? chooseFont(defaultFont_) : std::nullopt;
    if (!chosen) return;
    defaultFont_ = *chosen;
    try {
        writeDefaultFont(settings_, defaultFont_);
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
    updateDefaultFontCaption();
    applyDefaultFont();
}

void TLetterDesign::updateDefaultFontCaption() {
    action(QStringLiteral("defaultFont"))->setText(defaultFontCaption(defaultFont_));
}

void TLetterDesign::setFontColour() {
    const QColor initial = editor_->textCursor().charFormat().foreground().color();
    const auto c = chooseColour ? chooseColour(initial, QStringLiteral("Font Color")) : std::nullopt;
    if (!c) return;
    QTextCharFormat f;
    f.setForeground(*c);
    editor_->mergeCharFormat(f);
}

void TLetterDesign::setBackgroundColour() {
    const QColor initial = editor_->textCursor().charFormat().background().color();
    const auto c = chooseColour ? chooseColour(initial, QStringLiteral("Background Color")) : std::nullopt;
    if (!c) return;
    QTextCharFormat f;
    f.setBackground(*c);
    editor_->mergeCharFormat(f);
}

void TLetterDesign::toggleBullets() {
    // A bullet is a bullet character and a tab at the start of the paragraph
    // with a hanging indent: plain text and indents, so any reader shows it.
    QTextCursor c = editor_->textCursor();
    QTextDocument* doc = document_.document();
    const QTextBlock first = doc->findBlock(c.selectionStart());
    const QTextBlock last = doc->findBlock(c.selectionEnd());
    const bool remove = first.text().startsWith(kBullet);
    QTextCursor edit(doc);
    edit.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        richtext::ui::ParagraphFormat p = richtext::ui::readParagraphFormat(b.blockFormat());
        edit.setPosition(b.position());
        if (remove) {
            if (b.text().startsWith(kBullet)) {
                edit.setPosition(b.position() + int(kBullet.size()), QTextCursor::KeepAnchor);
                edit.removeSelectedText();
                p.leftIndent = std::max(0, p.leftIndent - kBulletIndent);
                p.firstLine = 0;
                p.tabs.removeIf([](const richtext::ui::TabStop& t) { return t.position == 0; });
            }
        } else if (!b.text().startsWith(kBullet)) {
            edit.insertText(kBullet);
            p.leftIndent += kBulletIndent;
            p.firstLine = -kBulletIndent;
        }
        edit.setBlockFormat(richtext::ui::toBlockFormat(p, b.blockFormat()));
        if (b == last) break;
    }
    edit.endEditBlock();
    editor_->setTextCursor(editor_->textCursor());
}

void TLetterDesign::openFind(bool replacing) {
    auto* dlg = new richtext::ui::TFindDialog(*editor_, dialogs_, replacing, help::topic::LetterDesigner, this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->setObjectName(replacing ? QStringLiteral("replaceDialog") : QStringLiteral("findDialog"));
    dlg->show();
}

}  // namespace brindle::letters::ui
