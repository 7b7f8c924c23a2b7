// The five tabs of the main window, laid out at their designed positions. Controls that the
// design stretches with the window follow its width through TStretchPage.

#include "ui/app/mainform.h"

#include "core/messages/stripkinds.h"
#include "ui/messages/msg1.h"
#include "ui/support/qtsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabWidget>

#include <vector>

namespace {

/// A tab page whose stretching controls keep their right margin or fill what is below a strip.
class TStretchPage : public QWidget {
  public:
    using QWidget::QWidget;
    /// Keeps `widget`'s right edge `margin` pixels from the page's right edge.
    void StretchWidth(QWidget* widget, int margin) { Widths.push_back({widget, margin}); }
    /// Makes `widget` fill the page below `top`.
    void FillBelow(QWidget* widget, int top) { Fills.push_back({widget, top}); }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        for (const auto& [widget, margin] : Widths) {
            widget->resize(std::max(10, width() - widget->x() - margin), widget->height());
        }
        for (const auto& [widget, top] : Fills) {
            widget->setGeometry(0, top, width(), std::max(0, height() - top));
        }
    }

  private:
    std::vector<std::pair<QWidget*, int>> Widths;
    std::vector<std::pair<QWidget*, int>> Fills;
};

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

QPlainTextEdit* AddMemo(QWidget* parent, const char* name) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setFont(FontWithPixelHeight(FixedGothicFamilies(), 12));
    return memo;
}

/// The session-log drop-down: its list is refilled each time it opens.
class TSessionLogCombo : public QComboBox {
  public:
    TSessionLogCombo(QWidget* parent, std::function<void()> dropDown)
        : QComboBox(parent), DropDown(std::move(dropDown)) {}
    void showPopup() override {
        DropDown();
        QComboBox::showPopup();
    }

  private:
    std::function<void()> DropDown;
};

} // namespace

void TFormMain::BuildInfoTab() {
    auto* page = new TStretchPage;
    PageControl->addTab(page, "Info");
    auto* frame = new QFrame(page);
    frame->setFrameShape(QFrame::StyledPanel);
    page->FillBelow(frame, 0);

    AddLabel(frame, "Label1", "File:", 8, 8);
    LabelFileName = AddLabel(frame, "LabelFileName", "", 44, 8);
    AddLabel(frame, "Label2", "Session: ", 16, 28);
    LabelSession = AddLabel(frame, "LabelSession", "", 64, 28);
    AddLabel(frame, "Label3", "Phase:", 152, 28);
    LabelPhase = AddLabel(frame, "LabelPhase", "", 188, 28);
    AddLabel(frame, "Label4", "Flags:", 288, 28);
    LabelFlags = AddLabel(frame, "LabelFlags", "", 324, 28);

    GroupBox1 = new QGroupBox("Scroll Message", frame);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 48, 421, 57);
    // The strips' buttons in the order of their table, by the names the design gives them.
    const char* const names[] = {"Button8", "Button12", "Button9", "Button10", "Button11"};
    static_assert(std::size(names) == StripKinds.size());
    for (std::size_t i = 0; i < StripKinds.size(); ++i) {
        const TStripKind& kind = StripKinds[i];
        QPushButton* button = AddButton(GroupBox1, names[i], ToQString(std::string(kind.Label)),
                                        QRect(12 + 80 * static_cast<int>(i), 20, 75, 25));
        connect(button, &QPushButton::clicked, this,
                [this, &kind] { Model().Run(TPressStrip{&kind}); });
    }

    connect(AddButton(frame, "Button2", "Live Window", QRect(8, 116, 81, 21)),
            &QPushButton::clicked, this, &TFormMain::Button2Click);
    connect(AddButton(frame, "Button3", "Message Window", QRect(92, 116, 109, 21)),
            &QPushButton::clicked, this, &TFormMain::Button3Click);
    connect(AddButton(frame, "Button7", "Logo...", QRect(204, 116, 75, 21)), &QPushButton::clicked,
            this, &TFormMain::Button7Click);
    connect(AddButton(frame, "Button13", "Reload Alias", QRect(284, 116, 89, 21)),
            &QPushButton::clicked, this, &TFormMain::Button13Click);
    connect(AddButton(frame, "ButtonFolder", "Folder...", QRect(376, 116, 75, 21)),
            &QPushButton::clicked, this, &TFormMain::ButtonFolderClick);

    CheckClassView = new QCheckBox("&Class view", frame);
    CheckClassView->setObjectName("CheckClassView");
    CheckClassView->setToolTip("The tower, the ranking strips and the race messages within "
                               "each car's class");
    CheckClassView->move(436, 70);
    CheckClassView->setChecked(KestruneConfig.ClassView);
    connect(CheckClassView, &QCheckBox::toggled, this, &TFormMain::CheckClassViewClick);
}

void TFormMain::BuildDataTab() {
    auto* page = new TStretchPage;
    PageControl->addTab(page, "Data");
    connect(AddButton(page, "Button4", "Bestlap", QRect(0, 0, 75, 25)), &QPushButton::clicked, this,
            &TFormMain::Button4Click);
    connect(AddButton(page, "Button5", "Avglap", QRect(76, 0, 75, 25)), &QPushButton::clicked, this,
            &TFormMain::Button5Click);
    connect(AddButton(page, "Button6", "Gap", QRect(152, 0, 75, 25)), &QPushButton::clicked, this,
            &TFormMain::Button6Click);
    ComboBox1 = new TSessionLogCombo(page, [this] { ComboBox1DropDown(); });
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setPlaceholderText("Session Log");
    ComboBox1->setGeometry(232, 2, 285, 21);
    page->StretchWidth(ComboBox1, 8);
    connect(ComboBox1, qOverload<int>(&QComboBox::activated), this, &TFormMain::ComboBox1Select);

    MemoData = AddMemo(page, "MemoData");
    MemoData->setReadOnly(true);
    MemoData->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    page->FillBelow(MemoData, 25);
}

void TFormMain::BuildLogsTab() {
    auto* page = new TStretchPage;
    PageControl->addTab(page, "Logs");
    Memo1 = AddMemo(page, "Memo1");
    // A file that logs every reading must not grow the memo (and memory) for the whole run.
    Memo1->setMaximumBlockCount(MaxLogLines);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    page->FillBelow(Memo1, 0);
}

void TFormMain::BuildMessageTab() {
    auto* page = new TStretchPage;
    PageControl->addTab(page, "Message");
    Edit1 = new QLineEdit(page);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(4, 4, 512, 21);
    page->StretchWidth(Edit1, 10);
    connect(Edit1, &QLineEdit::textChanged, this,
            [this](const QString& text) { Model().Run(TSetTickerText{ToBytes(text)}); });
    AddLabel(page, "LabelSample", QString::fromUtf8("↑日本語不可"), 8, 32);
}

void TFormMain::BuildIgnoreTab() {
    auto* page = new TStretchPage;
    PageControl->addTab(page, "IgnoreList");
    connect(AddButton(page, "Button14", "Apply", QRect(8, 4, 75, 21)), &QPushButton::clicked, this,
            &TFormMain::Button14Click);
    MemoIgnoreList = AddMemo(page, "MemoIgnoreList");
    MemoIgnoreList->setFont(font());
    MemoIgnoreList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoIgnoreList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    page->FillBelow(MemoIgnoreList, 29);
}
