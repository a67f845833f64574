#include <QApplication>

#include "qt/main_window_widget.h"
#include "qt/window_events.h"

namespace {

// Until the window's job logic is attached, the window only shows itself and
// closes when asked.
class CloseOnRequest : public WindowEvents {
public:
    explicit CloseOnRequest(MainWindowWidget& window) : window_(window) {}
    void OnCommand(int) override {}
    void OnKillFocus(int) override {}
    void OnSelChange(int) override {}
    void OnCloseRequest() override { window_.CloseWindow(); }

private:
    MainWindowWidget& window_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    MainWindowWidget window;
    CloseOnRequest events(window);
    window.SetEvents(&events);
    window.show();
    return application.exec();
}
