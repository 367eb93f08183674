#include "letters/ui/LetterCommands.h"

#include <QTextCursor>

#include "address/AddressFile.h"
#include "address/GatewayScope.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "letters/ui/TBRLetters.h"
#include "letters/ui/TLetterDesign.h"
#include "letters/ui/TLetterPrint.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "richtext/RichDocument.h"
#include "richtext/ui/RichTextEditor.h"
#include "spelling/ui/TSpellCheckDialog.h"
#include "store/Table.h"

namespace brindle::letters::ui {

void attachLetterCommands(commands::CommandRegistry& registry) {
    registry.attach(QStringLiteral("printLetters"), [](commands::CommandContext& c) {
        if (!printer::printerReady(*c.dialogs)) return;
        // Letters need records to merge with.
        if (!c.file->isOpen() || c.file->filterCount() == 0) return;
        const bool filterSet = c.file->filterSet();
        address::GatewayScope scope(*c.session, {.extraFields = true});
        printer::CurrentPrinter& printer = printer::CurrentPrinter::instance();
        const printer::PrinterScope printerScope(printer);
        const std::unique_ptr<store::Table> table = LetterList::openLetterTable(*c.dialogs);
        if (!table) return;
        common::ProfileFile settings(common::settingsPath());
        TBRLetters window(*table, *c.dialogs, settings, filterSet, c.window);
        address::AddressFile& file = *c.file;
        common::UserDialogs& dialogs = *c.dialogs;
        window.printLetters = [&](const richtext::RichDocument& letter, const LetterPrintRequest& request) {
            runLetterPrint(&window, file, letter, request, printer, dialogs);
        };
        window.previewLetter = [&](const richtext::RichDocument& letter) {
            showLetterPreview(&window, file, letter, dialogs);
        };
        window.prepareDesigner = [&](TLetterDesign& designer) {
            designer.setPreviewAction([&](const richtext::RichDocument& letter) {
                showLetterPreview(&designer, file, letter, dialogs);
            });
            designer.setSpellCheckAction([&](richtext::RichDocument& document) {
                spelling::ui::TSpellCheckDialog::run(document, dialogs, &designer, [&designer](int start, int length) {
                    QTextCursor cursor = designer.editor()->textCursor();
                    cursor.setPosition(start);
                    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
                    designer.editor()->setTextCursor(cursor);
                    designer.editor()->ensureCursorVisible();
                });
            });
        };
        window.setPrinter(&printer);
        window.refreshButtons();
        window.execCentred(c.window);
    });
}

}  // namespace brindle::letters::ui
