// The widget tests run on one QApplication, headless unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

// The headless platform cannot hand size hints on to a window manager, and
// says so for every top-level window; nothing else is held back.
QtMessageHandler defaultHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message == QStringLiteral("This plugin does not support propagateSizeHints()")) {
        return;
    }
    defaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The tests drive Qt's own dialogs; a desktop's native ones are out of reach.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    defaultHandler = qInstallMessageHandler(QuietHandler);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
