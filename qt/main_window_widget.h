#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "qt/dialog_units.h"
#include "qt/main_window_template.h"

class QLabel;
class QStatusBar;
class WindowEvents;

// The main window's widgets, built from the window template: the controls in
// tab order, their resize rules, the status bar, fonts, images and lists. It
// reports every user action to its WindowEvents and otherwise only does what
// it is told, by control identifier. Closing included: the close box only
// asks; CloseWindow closes.
class MainWindowWidget : public QWidget {
public:
    explicit MainWindowWidget(QWidget* parent = nullptr);
    ~MainWindowWidget() override;

    // Where user actions go; null (the start) drops them. Not owned.
    void SetEvents(WindowEvents* events) { events_ = events; }

    // A control by identifier (kStatusBarId for the status bar), or null.
    QWidget* Control(int id) const;
    // The controls in template order.
    const std::vector<QWidget*>& Controls() const { return widgets_; }

    // The text of an edit, label, button, group box or the selected entry of
    // a list. The log pane's lines end in CR LF both ways.
    QString ControlText(int id) const;
    void SetControlText(int id, const QString& text);
    // Adds text at the end of an edit and scrolls it into view.
    void AppendText(int id, const QString& text);

    void EnableControl(int id, bool enabled);
    bool IsControlEnabled(int id) const;
    void ShowControl(int id, bool shown);
    bool IsControlShown(int id) const;

    void SetCheck(int id, bool checked);
    bool IsChecked(int id) const;

    // The selected entry of a list, -1 for none; an index out of range
    // selects none.
    void SetSelection(int id, int index);
    // A list's entries, in this order; nothing selected afterwards.
    void SetListItems(int id, const std::vector<std::wstring>& items);
    int Selection(int id) const;

    // A position outside the range is clamped to it.
    void SetProgressRange(int id, int low, int high);
    void SetProgressPosition(int id, int position);
    int ProgressPosition(int id) const;

    void SetStatusText(const QString& text);
    QString StatusText() const;

    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    QString Caption() const { return windowTitle(); }

    void FocusControl(int id);
    // The control holding the keyboard focus, or kNoControlId.
    int FocusedControlId() const;

    // Closes the window (the only way it closes).
    void CloseWindow();

    // The window's size at creation, which is also its smallest size.
    QSize MinimumTrackSize() const { return initialSize_; }
    DialogBaseUnits BaseUnits() const { return baseUnits_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ApplyFonts();
    void FillLists();
    void ConnectEvents();
    void LayOut();
    int IndexOf(int id) const;
    int IndexOf(const QObject* widget) const;
    bool HandleKey(int index, int key);
    void RequestClose();

    DialogBaseUnits baseUnits_;
    std::vector<const ControlTemplate*> templates_;
    std::vector<QWidget*> widgets_;
    std::vector<Rect> initialRects_;  // pixels
    QSize initialSize_;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusText_ = nullptr;
    WindowEvents* events_ = nullptr;
    bool closeAllowed_ = false;
    bool closingInEvent_ = false;
};
