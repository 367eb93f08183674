#pragma once
// The application object with the general error handler: an error that no
// routine caught ends the user's action; its text is shown and the program
// goes on.
#include <QApplication>

namespace brindle::common {
class UserDialogs;
}

namespace brindle::app {

class BrindleApplication : public QApplication {
    Q_OBJECT
public:
    BrindleApplication(int& argc, char** argv);
    // Where errors are shown; without it they go to the log.
    void setDialogs(common::UserDialogs* dialogs) { dialogs_ = dialogs; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    common::UserDialogs* dialogs_ = nullptr;
};

}  // namespace brindle::app
