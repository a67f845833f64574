#include "cli/cli_run.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/disk_table.h"
#include "cli/interrupt.h"
#include "cli/terminal_window.h"
#include "control/brevel_dialog.h"
#include "disks/path_text.h"
#include "engine/image_formats.h"
#include "settings/qt_settings_port.h"

namespace {

// brevel-cli's remembered --threads.
const wchar_t* const kThreadsEntry = L"Threads";

// A command line that does not parse shows the synopsis too; one that
// parses but names no usable job only what is wrong with it.
int UsageError(Console& console, const std::string& problem, bool showSynopsis) {
    console.Err("brevel-cli: " + problem + "\n" + (showSynopsis ? UsageText() : "") +
                "Try 'brevel-cli --help' for more.\n");
    return ExitStatus::Usage;
}

void Sleep(int milliseconds) {
    timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, nullptr);  // an interrupt ends it early, which is fine
}

// Works the check boxes and the type and level lists as the user would in the window:
// a control changes only when its state differs, and only while it is
// enabled; then its own handler runs. False, with the problem, when an option
// asks for a control that the window has disabled for this job.
bool ApplyCompressionOptions(const CliOptions& options, TerminalWindow& window,
                             CBrevelDialog& dialog, std::string& problem) {
    if (options.compress) {
        if (!window.IsEnabled(ControlId::CompressCheck)) {
            problem = "--compress applies to an image target, not to a disk";
            return false;
        }
        const bool compress = *options.compress != CompressionMethod::None;
        const int check = compress ? CheckState::Checked : CheckState::Unchecked;
        if (window.GetCheck(ControlId::CompressCheck) != check) {
            window.SetCheck(ControlId::CompressCheck, check);
            dialog.OnCompressImage();
        }
        const int type = static_cast<int>(*options.compress);
        if (compress && window.GetSelection(ControlId::TypeCombo) != type) {
            window.SetSelection(ControlId::TypeCombo, type);
            dialog.OnTypeChange();
        }
    }
    if (options.verify) {
        const int check = *options.verify ? CheckState::Checked : CheckState::Unchecked;
        if (window.GetCheck(ControlId::VerifyCheck) != check) {
            window.SetCheck(ControlId::VerifyCheck, check);
            dialog.OnVerify();
        }
    }
    if (options.level) {
        if (!window.IsEnabled(ControlId::LevelCombo)) {
            problem =
                "--level applies to a compressed image target (NAME.dsk.gz, .dsk.xz, ... "
                "or --compress)";
            return false;
        }
        // The list holds the chosen type's levels.
        const ImageFormat* format = FindFormat(dialog.job.target.method);
        const int lowest = format ? format->minLevel : 1;
        if (format && (*options.level < format->minLevel || *options.level > format->maxLevel)) {
            problem = "--level for " + std::string(format->cliName) + " takes a number from " +
                      std::to_string(format->minLevel) + " to " + std::to_string(format->maxLevel);
            return false;
        }
        const int selection = *options.level - lowest;
        if (window.GetSelection(ControlId::LevelCombo) != selection) {
            window.SetSelection(ControlId::LevelCombo, selection);
            dialog.OnLevelChange();
        }
    }
    return true;
}

// Runs the progress timer on this thread until the job has ended; an
// interrupt becomes a confirmed Cancel.
void RunTimer(TerminalWindow& window, CBrevelDialog& dialog) {
    bool cancelled = false;
    while (dialog.task && window.TimerRunning() && !window.Ended()) {
        Sleep(window.TimerPeriod());
        // A copy that has finished by itself needs no cancel: its report is due.
        if (Interrupted() && !cancelled && dialog.task && !dialog.task->finished) {
            cancelled = true;
            window.SetCancelConfirmed(true);
            dialog.OnCancelTask();
            window.SetCancelConfirmed(false);
        }
        if (dialog.task) {
            window.NoteCopyPosition(dialog.task->position);
        }
        dialog.OnTimer();
        if (dialog.task) {
            window.DrawProgress(dialog.progress);
        }
    }
}

int RunJob(const CliOptions& options, Console& console) {
    // What each argument names is the window's to decide, as for typed paths.
    std::vector<std::wstring> endpoints;
    for (const std::string& argument : options.endpoints) {
        endpoints.push_back(Utf8ToWide(argument));
    }
    QtSettingsPort settings;
    if (!settings.Store().Problem().isEmpty()) {
        console.Err("brevel-cli: warning: " + SettingsInMemoryWarning(settings.Store()) + "\n");
    }
    TerminalWindow window(console, options);
    CBrevelDialog dialog(window, settings);
    dialog.OnInitDialog(endpoints);
    std::string problem;
    if (!ApplyCompressionOptions(options, window, dialog, problem)) {
        return UsageError(console, problem, false);
    }
    // The terminal's own choice; the window always compresses on every core.
    if (options.threads) {
        settings.WriteProfileInt(L"", kThreadsEntry, *options.threads);
    }
    const int threads = settings.ReadProfileInt(L"", kThreadsEntry, 0);
    dialog.job.threads = threads >= 1 && threads <= kMaxThreads ? threads : 0;
    if (!Interrupted()) {
        dialog.OnStart();
        RunTimer(window, dialog);
    }
    window.FlushLog();
    return Interrupted() ? ExitStatus::Interrupted : ExitStatusOf(dialog.lastOutcome);
}

}  // namespace

int ExitStatusOf(const JobOutcome& outcome) {
    switch (outcome.ending) {
        case JobEnding::Completed:
            return ExitStatus::Completed;
        case JobEnding::ReadErrorAborted:
            return ExitStatus::ReadErrorAborted;
        case JobEnding::Cancelled:
            return ExitStatus::Interrupted;
        case JobEnding::None:
        case JobEnding::Refused:
        case JobEnding::Failed:
            break;
    }
    return ExitStatus::Failed;
}

int RunCli(const std::vector<std::string>& arguments) {
    Console console(STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO);
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.error.empty()) {
        return UsageError(console, parsed.error, true);
    }
    switch (parsed.options.action) {
        case CliAction::Help:
            console.Out(HelpText());
            return ExitStatus::Completed;
        case CliAction::Version:
            console.Out("brevel-cli " BREVEL_VERSION "\n");
            return ExitStatus::Completed;
        case CliAction::ListDisks:
            return ListDisks(console) ? ExitStatus::Completed : ExitStatus::Failed;
        case CliAction::RunJob:
            break;
    }
    CatchInterrupts();
    return RunJob(parsed.options, console);
}
