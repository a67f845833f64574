#include "qt/brevel_app.h"

#include <QApplication>
#include <QIcon>
#include <QMetaObject>
#include <cstdio>

#include "app/curl_download.h"
#include "app/update_check_runner.h"
#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "disks/disk_opener.h"
#include "disks/path_text.h"
#include "qt/dialog_router.h"
#include "qt/main_window_widget.h"
#include "qt/qt_window_port.h"
#include "settings/qt_settings_port.h"

std::vector<std::wstring> PositionalArguments(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) {
        // Names are bytes: every one comes through, UTF-8 or not.
        arguments.push_back(Utf8ToWide(argv[i]));
    }
    return arguments;
}

int CBrevelApp::Run(int argc, char** argv) {
    // Taken before the toolkit removes its own options from argv.
    const std::vector<std::wstring> arguments = PositionalArguments(argc, argv);

    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brevel"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevel"));

    CurlDownload download;
    MainWindowWidget window;
    QtWindowPort port(window);
    QtSettingsPort settings;
    if (!settings.Store().Problem().isEmpty()) {
        std::fprintf(stderr, "brevel: warning: %s\n",
                     SettingsInMemoryWarning(settings.Store()).c_str());
    }
    CBrevelDialog dialog(port, settings);
    DialogRouter router(dialog);
    // The update check's worker hands its answer back through the event loop.
    UpdateCheckRunner updateCheck(download, [](std::function<void()> work) {
        QMetaObject::invokeMethod(qApp, std::move(work), Qt::QueuedConnection);
    });

    port.SetTimerHandler([&dialog](int id) {
        if (id == kProgressTimer) {
            dialog.OnTimer();
        }
    });
    port.SetUpdateCheckHandler([&updateCheck, &port] { updateCheck.Start(port); });
    window.SetEvents(&router);

    dialog.OnInitDialog(arguments);
    // Started from the menu, without root and without the way to ask for it.
    for (const QString& line :
         QString::fromStdString(DiskAccessAdvice()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        dialog.AppendLog(line.toStdWString());
    }
    window.show();
    window.FocusControl(ControlId::SourceEdit);
    const int status = application.exec();
    window.SetEvents(nullptr);
    return status;
}
