#pragma once
// "Spell Check": walks a rich-text document's words and stops at each one
// the dictionaries do not accept, offering Hunspell's suggestions. Opened by
// the letter designer on its document; `highlight` shows the word in the
// designer's view (start, length; 0, 0 when the dialog closes).
#include "help/ui/HelpDialog.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellSession.h"
#include "spelling/ui/RichTextWords.h"

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace brindle::common {
class UserDialogs;
}

namespace brindle::spelling::ui {

class TSpellCheckDialog : public help::HelpDialog {
    Q_OBJECT
public:
    // Dictionaries default to brindl.dct and brindlu.dct in the program folder.
    TSpellCheckDialog(richtext::RichDocument& document, common::UserDialogs& dialogs,
                      RichTextWords::Highlight highlight = {}, QWidget* parent = nullptr,
                      const QString& mainPath = QString(), const QString& userPath = QString());
    ~TSpellCheckDialog() override;

    // True when the designer's "Spell Check" item may be enabled.
    static bool mainDictionaryExists();
    // The designer's "&Spell Check": runs the dialog modally, centred over
    // `parent`, on the program folder's dictionaries.
    static void run(richtext::RichDocument& document, common::UserDialogs& dialogs, QWidget* parent,
                    RichTextWords::Highlight highlight = {});

    SpellSession& session() { return *m_session; }
    QLabel* errorWord() const { return m_word; }
    QLineEdit* replaceWith() const { return m_replaceWith; }
    QListWidget* replacements() const { return m_list; }
    QPushButton* replaceButton() const { return m_replace; }
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* cancelButton() const { return m_cancel; }

    void ReplaceButtonClick();
    void SkipButtonClick();
    void AddButtonClick();

protected:
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    void afterStep(bool found);
    void showWord();

    TSpellChecker m_checker;
    RichTextWords m_words;
    common::UserDialogs& m_dialogs;
    std::unique_ptr<SpellSession> m_session;
    bool m_started = false;
    bool m_closed = false;
    QLabel* m_word = nullptr;
    QLineEdit* m_replaceWith = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_replace = nullptr;
    QPushButton* m_skip = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace brindle::spelling::ui
