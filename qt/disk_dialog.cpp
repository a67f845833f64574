#include "qt/disk_dialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
#include <QTreeWidget>

#include "control/control_ids.h"
#include "control/text_format.h"
#include "disks/disk_opener.h"
#include "qt/message_box.h"

namespace {

// Dialog resource 136: the dialog's size and its items in tab order, in
// dialog units, with the way each follows the dialog's resizing.
constexpr QSize kDialogSize(272, 163);

struct ItemTemplate {
    int id;
    const char* text;
    QRect rect;
    ResizeRule rule;
};

constexpr int kDiskListId = 1049;
constexpr int kAccessNoteId = 1050;
const ItemTemplate kItems[] = {
    {kDiskListId, "", QRect(4, 4, 264, 136), {0, 0, 100, 100}},
    // Says what reading or writing disks needs; shown only when this
    // process cannot reach them.
    {kAccessNoteId, "", QRect(4, 142, 160, 20), {0, 100, 100, 0}},
    {BoxResult::Ok, "OK", QRect(168, 144, 48, 16), {100, 100, 0, 0}},
    {BoxResult::Cancel, "Cancel", QRect(220, 144, 48, 16), {100, 100, 0, 0}},
};

// The list's columns: title, share of the list's width in 25ths, alignment.
struct ColumnTemplate {
    const char* title;
    int units;
    Qt::Alignment alignment;
};
const ColumnTemplate kColumns[] = {
    {"Disk", 4, Qt::AlignLeft | Qt::AlignVCenter},
    {"Description", 8, Qt::AlignLeft | Qt::AlignVCenter},
    {"Size", 6, Qt::AlignRight | Qt::AlignVCenter},
    {"Device", 6, Qt::AlignLeft | Qt::AlignVCenter},
};
constexpr int kColumnUnitsPerList = 25;

}  // namespace

CDiskDialog::CDiskDialog(QWidget* parent)
    : CDiskDialog([] { return DiskList::FromQuery(); }, parent) {}

CDiskDialog::CDiskDialog(DiskQuery query, QWidget* parent)
    : CDiskDialog(
          std::move(query), [] { return DiskAccessAdvice(); }, parent) {}

CDiskDialog::CDiskDialog(DiskQuery query, AccessAdvice advice, QWidget* parent)
    : QDialog(parent), accessAdvice_(std::move(advice)) {
    setWindowTitle(QStringLiteral("Select Disk"));
    BuildItems();
    disks_ = query();
    FillList();
    diskList_->setFocus();
}

void CDiskDialog::BuildItems() {
    const DialogBaseUnits base = BaseUnitsOf(font());
    initialSize_ = DialogSizeToPixels(kDialogSize, base);
    for (const ItemTemplate& item : kItems) {
        QWidget* widget = nullptr;
        if (item.id == kDiskListId) {
            diskList_ = new QTreeWidget(this);
            widget = diskList_;
        } else if (item.id == kAccessNoteId) {
            accessNote_ = new QLabel(this);
            accessNote_->setWordWrap(true);
            accessNote_->setTextFormat(Qt::PlainText);
            widget = accessNote_;
        } else {
            auto* button = new QPushButton(QString::fromLatin1(item.text), this);
            (item.id == BoxResult::Ok ? okButton_ : cancelButton_) = button;
            widget = button;
        }
        widget->setObjectName(QString::number(item.id));
        const QRect initial = DialogRectToPixels(item.rect, base);
        widget->setGeometry(initial);
        items_.push_back({widget, initial, item.rule});
    }
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    diskList_->setRootIsDecorated(false);
    diskList_->setItemsExpandable(false);
    diskList_->setUniformRowHeights(true);
    diskList_->setSelectionMode(QAbstractItemView::SingleSelection);
    diskList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    diskList_->setAllColumnsShowFocus(true);
    diskList_->setSortingEnabled(false);
    diskList_->header()->setSectionsClickable(false);
    diskList_->header()->setStretchLastSection(false);
    diskList_->setColumnCount(static_cast<int>(std::size(kColumns)));
    // The widths follow the list's width as made and stay so.
    const int unit = diskList_->width() / kColumnUnitsPerList;
    QTreeWidgetItem* header = diskList_->headerItem();
    for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
        header->setText(column, QString::fromLatin1(kColumns[column].title));
        header->setTextAlignment(column, kColumns[column].alignment);
        diskList_->setColumnWidth(column, kColumns[column].units * unit);
    }
    connect(diskList_, &QTreeWidget::doubleClicked, this, &CDiskDialog::OnDoubleClicked);
    // OK only with a disk chosen: it never empties the field.
    connect(diskList_, &QTreeWidget::itemSelectionChanged, this,
            [this] { okButton_->setEnabled(SelectedRow() >= 0); });

    resize(initialSize_);
    setMinimumSize(initialSize_);
}

void CDiskDialog::FillList() {
    for (const DiskRow& row : disks_.Rows()) {
        auto* item = new QTreeWidgetItem(diskList_);
        const QString texts[] = {
            QString::fromStdWString(row.diskText), QString::fromStdWString(row.label),
            QString::fromStdWString(row.sizeText), QString::fromStdWString(row.device)};
        // The size in bytes as listed, and as people read it.
        const QString readable = QString::fromStdWString(FormatByteSize(row.size));
        for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
            item->setText(column, texts[column]);
            item->setTextAlignment(column, kColumns[column].alignment);
            item->setToolTip(column, readable);
        }
    }
    // The first disk is chosen from the start, really selected, not only current.
    if (diskList_->topLevelItemCount() > 0) {
        diskList_->setCurrentItem(diskList_->topLevelItem(0));
        diskList_->topLevelItem(0)->setSelected(true);
    }
    okButton_->setEnabled(SelectedRow() >= 0);
    const std::string advice = accessAdvice_();
    accessNote_->setText(
        QString::fromStdString(advice).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    accessNote_->setVisible(!advice.empty());
}

void CDiskDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const QSize growth = event->size() - initialSize_;
    for (const PlacedItem& item : items_) {
        item.widget->setGeometry(ApplyResizeRule(item.initial, growth, item.rule));
    }
}

void CDiskDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (disks_.ErrorMessage().empty() || errorShown_) {
        return;
    }
    errorShown_ = true;
    // Once the dialog stands, so that the box shows over it.
    QTimer::singleShot(0, this, [this] {
        const std::string& message = disks_.ErrorMessage();
        ShowMessageBox(this,
                       QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size()))
                           .toStdWString(),
                       L"Error", BoxStyle::Ok | BoxStyle::IconError);
    });
}

void CDiskDialog::OnDoubleClicked(const QModelIndex& index) {
    if (index.isValid()) {
        accept();
    }
}

int CDiskDialog::SelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : diskList_->selectionModel()->selectedRows()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

void CDiskDialog::done(int result) {
    disks_.TakeSelection(SelectedRow());
    QDialog::done(result);
}

DiskChoice RunDiskDialog(CDiskDialog& dialog) {
    const int code = dialog.exec();
    DiskChoice choice{code == QDialog::Accepted ? BoxResult::Ok : BoxResult::Cancel,
                      dialog.SelectedPath(), dialog.SelectedLabel()};
    if (const DiskRow* row = dialog.SelectedDiskRow()) {
        choice.selectedDevice = row->device;
        choice.selectedSize = row->size;
    }
    return choice;
}

DiskChoice SelectDisk(QWidget* parent) {
    CDiskDialog dialog(parent);
    return RunDiskDialog(dialog);
}
