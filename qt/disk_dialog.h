#pragma once

#include <QDialog>
#include <QRect>
#include <functional>
#include <string>
#include <vector>

#include "control/window_port.h"
#include "disks/disk_list.h"
#include "qt/dialog_geometry.h"

class QLabel;
class QModelIndex;
class QPushButton;
class QTreeWidget;

// "Select Disk": the machine's disks in a list, one row per disk number. It
// answers BoxResult::Ok or BoxResult::Cancel; however it closes, the row then
// selected becomes SelectedPath and SelectedLabel. The list is filled when the
// dialog is made; a failed query leaves it empty and is told to the user once
// the dialog shows.
class CDiskDialog : public QDialog {
    Q_OBJECT

public:
    using DiskQuery = std::function<DiskList()>;
    // What the user must do to reach disks; empty when they can be reached.
    using AccessAdvice = std::function<std::string()>;

    // The disks of the machine.
    explicit CDiskDialog(QWidget* parent = nullptr);
    // The disks that query gives.
    CDiskDialog(DiskQuery query, QWidget* parent);
    CDiskDialog(DiskQuery query, AccessAdvice advice, QWidget* parent);

    const std::wstring& SelectedPath() const { return disks_.SelectedPath(); }
    const DiskRow* SelectedDiskRow() const { return disks_.SelectedRow(); }
    const std::wstring& SelectedLabel() const { return disks_.SelectedLabel(); }

    // Every close ends here (OK, Cancel, Escape, the close box, a double-click).
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct PlacedItem {
        QWidget* widget;
        QRect initial;  // in pixels, as made
        ResizeRule rule;
    };

    void BuildItems();
    void FillList();
    void OnDoubleClicked(const QModelIndex& index);
    int SelectedRow() const;

    DiskList disks_;
    AccessAdvice accessAdvice_;
    QTreeWidget* diskList_ = nullptr;
    QLabel* accessNote_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    std::vector<PlacedItem> items_;
    QSize initialSize_;
    bool errorShown_ = false;
};

// Runs the dialog modally: what the window hands back to the dialog logic.
DiskChoice RunDiskDialog(CDiskDialog& dialog);
// Runs "Select Disk" on the machine's disks over parent.
DiskChoice SelectDisk(QWidget* parent);
