#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/image_names.h"
#include "control/job_outcome.h"
#include "control/settings_port.h"
#include "control/window_port.h"
#include "engine/clone_task.h"
#include "engine/image_formats.h"

// The main window's behaviour without a toolkit: what a typed or chosen path
// denotes, how the controls and the log follow the job, validation and start,
// the progress monitor with its report, and the command handlers. The window
// itself is reached through a WindowPort, the remembered compression choice
// through a SettingsPort; a face forwards its events to the On... handlers.
// Everything runs on the window thread.
class CBrevelDialog {
public:
    CBrevelDialog(WindowPort& window, SettingsPort& settings);
    ~CBrevelDialog();
    CBrevelDialog(const CBrevelDialog&) = delete;
    CBrevelDialog& operator=(const CBrevelDialog&) = delete;

    // Start-up, after the face has laid out its controls and filled the
    // lists: restores the compression choice, applies the Source and Target
    // given as positional arguments (further ones are ignored), writes the
    // summary and asks for the update check. Returns true.
    bool OnInitDialog(const std::vector<std::wstring>& arguments);

    // Endpoint classification.
    bool IsPhysicalDrivePath(const std::wstring& path) const;
    void SetSource(const std::wstring& path, const std::wstring& label);
    void SetTarget(const std::wstring& path);
    std::wstring ApplyImageExtension(std::wstring name) const;
    void UpdateTargetExtension();
    void UpdateControls(bool rewriteSummary);

    // Validation and start.
    void ShowError(std::wstring message);
    void AppendLog(std::wstring line);
    bool ValidateJob();
    void OnStart();

    // Progress monitor: one call per tick of timer kProgressTimer.
    void OnTimer();
    void OnCancelTask();
    // The close box and the system's close shortcut.
    void OnCloseRequest();
    // Enter in control `id` (a path field commits its text, as leaving it
    // does); Escape (asks to cancel a running job). Neither closes the window.
    void OnEnterKey(int id);
    void OnEscapeKey();
    // A path field's text changed while the user types.
    void OnPathEdit();
    // Both path fields hold something and no job runs.
    bool CanStart();

    // Commands of the path and compression controls.
    void OnOpenImage();
    void OnSourceDisk();
    void OnSaveImage();
    void OnTargetDisk();
    void OnSourceKillFocus();
    void OnTargetKillFocus();
    void OnCompressImage();
    // The Verify check box: the job reads its target back, and the choice is
    // remembered for targets of this kind.
    void OnVerify();
    void OnTypeChange();
    void OnLevelChange();
    void OnMoreInfo();

    // What the read-outs showed last, for faces that draw their own
    // progress line: percentage (-1 while unknown), bytes copied, the total
    // (empty while unknown), speed and the time left (empty until it can be
    // told).
    struct ProgressReadout {
        int percent = -1;
        std::wstring copied;
        std::wstring total;
        std::wstring speed;
        std::wstring timeLeft;
        std::wstring phase;  // empty while copying, "Verifying" while reading back
    };

    // The window's state, open to its faces and tests.
    const ImageNamePatterns patterns;
    // How the last job ended; kept once its task is gone.
    JobOutcome lastOutcome;
    ProgressReadout progress;
    CloneJob job;
    // What the source image was found to be when it was set.
    SourceFormat sourceFormat;
    std::unique_ptr<CCloneTask> task;  // null while idle
    bool closeWhenDone = false;
    std::int32_t tickCount = 0;
    std::int32_t timerPeriod = 100;  // milliseconds
    std::int32_t ticksPerUpdate = 10;
    std::int32_t progressRange = 10000;

private:
    bool ValidateSource();
    bool ValidateTarget();
    void WarnOfWritableMounts();
    // Asks before the job destroys what the target holds.
    bool ConfirmTarget();
    bool SameEndpoint() const;
    void UpdateReadouts(std::int64_t position);
    // The share of the job done, in parts of `scale`; nothing while unknown.
    std::optional<std::int64_t> DoneShare(std::int64_t position, std::int64_t scale) const;
    void CommitTypedPaths();
    void AnswerReadError(std::int64_t position);
    void FinishJob(std::int64_t position);
    void WriteReport(const CCloneTask& finished, std::int64_t position);
    // The image's SHA-256 with its NAME.sha256, and the verify pass.
    void WriteChecksumReport(const CCloneTask& finished);
    std::wstring DefaultImageName() const;
    // Sets the Verify check box and the job to the choice remembered for the
    // target's kind.
    void FollowVerifyChoice();
    // The type list's choice: the target's method, that type's own level and
    // the level list of its range.
    void SelectType(CompressionMethod method);
    void FillLevelList();
    // The type whose levels the level list holds: the target's, or the first
    // while none is chosen.
    const ImageFormat& ListedType() const;
    // A zip source must hold one file.
    bool ValidateZipSource();

    WindowPort& window_;
    SettingsPort& settings_;
    // The target the save dialog has asked to replace, if any.
    std::wstring confirmedTarget_;
    // Each target type's level, by method number, while another is chosen.
    std::array<std::int32_t, kTargetFormatCount> typeLevels_{1, 1, 1, 1, 1};
    // The position and the done share (in millionths, -1 unknown) at the
    // last read-outs, one a second, the oldest first: the speed and the time
    // left are averaged over them.
    struct ReadoutSample {
        std::int64_t position;
        std::int64_t share;
    };
    std::deque<ReadoutSample> samples_;
    // The samples are of the verify pass.
    bool samplesVerifying_ = false;
};
