#include "FindBar.h"

#include "QtText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace pg {

namespace {

// How often the window looks at a running search's progress.
constexpr int kPollMs = 40;

QString CountText(size_t hits) {
    if (hits == 0)
        return QStringLiteral("No hits");
    return hits == 1 ? QStringLiteral("1 hit") : QStringLiteral("%1 hits").arg(hits);
}

} // namespace

TFindBar::TFindBar(QWidget* parent) : QWidget(parent) {
    setObjectName("FindBar");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Find:"), this);
    edFind = new QLineEdit(this);
    edFind->setObjectName("edFind");
    label->setBuddy(edFind);
    cbxMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
    cbxMatchCase->setObjectName("cbxMatchCase");
    btnFind = new QPushButton(QStringLiteral("Find"), this);
    btnFind->setObjectName("btnFind");
    btnClose = new QToolButton(this);
    btnClose->setObjectName("btnClose");
    btnClose->setText(QStringLiteral("X"));
    btnClose->setToolTip(QStringLiteral("Close the find bar (Esc)"));
    row->addWidget(label);
    row->addWidget(edFind, 1);
    row->addWidget(cbxMatchCase);
    row->addWidget(btnFind);
    row->addWidget(btnClose);
    layout->addLayout(row);
    auto* state = new QHBoxLayout;
    lblCount = new QLabel(this);
    lblCount->setObjectName("lblCount");
    pbSearch = new QProgressBar(this);
    pbSearch->setObjectName("pbSearch");
    pbSearch->setTextVisible(false);
    pbSearch->setMaximumHeight(14);
    pbSearch->hide();
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->hide();
    state->addWidget(lblCount, 1);
    state->addWidget(pbSearch, 1);
    state->addWidget(btnCancel);
    layout->addLayout(state);
    lstHits = new QListWidget(this);
    lstHits->setObjectName("lstHits");
    lstHits->setMinimumHeight(120);
    layout->addWidget(lstHits, 1);
    poll_ = new QTimer(this);
    poll_->setInterval(kPollMs);

    connect(edFind, &QLineEdit::returnPressed, this, &TFindBar::Start);
    connect(btnFind, &QPushButton::clicked, this, &TFindBar::Start);
    connect(btnCancel, &QPushButton::clicked, this, &TFindBar::CancelSearch);
    connect(btnClose, &QToolButton::clicked, this, &TFindBar::Close);
    connect(lstHits, &QListWidget::itemActivated, this, [this] { OpenCurrent(); });
    connect(poll_, &QTimer::timeout, this, &TFindBar::Poll);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TFindBar::Close);
}

TFindBar::~TFindBar() {
    StopWorker();
}

void TFindBar::Open() {
    show();
    edFind->setFocus();
    edFind->selectAll();
}

void TFindBar::Close() {
    CancelSearch();
    hide();
    emit Closed();
}

void TFindBar::StopWorker() {
    if (!worker_.joinable())
        return;
    run_->Cancel();
    worker_.join();
    poll_->stop();
}

void TFindBar::Start() {
    StopWorker();
    if (run_)
        index_.Keep(*run_);
    forms_ = Forms ? Forms() : std::vector<TDocSetForm*>();
    hits_.clear();
    lstHits->clear();
    // Page text is UTF-8, whatever symbol set drew it.
    run_ = index_.Prepare(forms_, edFind->text().toStdString(), {cbxMatchCase->isChecked()});
    if (run_->PageCount() == 0) {
        lblCount->setText(CountText(0));
        emit SearchEnded();
        return;
    }
    pbSearch->setRange(0, int(run_->PageCount()));
    pbSearch->setValue(0);
    pbSearch->show();
    btnCancel->show();
    lblCount->setText(QStringLiteral("Searching..."));
    stopped_ = false;
    worker_ = std::thread([this, run = run_.get()] {
        run->Run();
        stopped_ = true;
    });
    poll_->start();
}

void TFindBar::CancelSearch() {
    if (!Searching())
        return;
    StopWorker();
    Finish();
}

void TFindBar::Poll() {
    if (!stopped_) {
        pbSearch->setValue(int(run_->PagesDone()));
        return;
    }
    worker_.join();
    poll_->stop();
    Finish();
}

void TFindBar::Finish() {
    index_.Keep(*run_);
    hits_ = run_->Hits();
    pbSearch->hide();
    btnCancel->hide();
    QString count = CountText(hits_.size());
    if (!run_->Finished())
        count +=
            QStringLiteral(" (stopped after %1 of %2 pages)").arg(run_->PagesDone()).arg(run_->PageCount());
    lblCount->setText(count);
    for (const TFindHit& hit : hits_) {
        const TDocSetForm& form = *forms_[size_t(hit.Form - 1)];
        const QString caption = FormCaption ? FormCaption(form) : FromPackageText(form.Description);
        lstHits->addItem(QStringLiteral("%1 \u2014 Page %2 \u2014 %3")
                             .arg(caption)
                             .arg(hit.Page)
                             .arg(QString::fromStdString(hit.Context)));
    }
    emit SearchEnded();
}

void TFindBar::PackageChanged() {
    StopWorker();
    run_.reset();
    index_.Clear();
    forms_.clear();
    hits_.clear();
    lstHits->clear();
    pbSearch->hide();
    btnCancel->hide();
    lblCount->clear();
}

void TFindBar::Step(bool forward) {
    const int count = lstHits->count();
    if (count == 0)
        return;
    const int row = lstHits->currentRow();
    int next = forward ? row + 1 : row - 1;
    if (row < 0)
        next = forward ? 0 : count - 1;
    lstHits->setCurrentRow((next + count) % count);
    OpenCurrent();
}

void TFindBar::OpenCurrent() {
    const int row = lstHits->currentRow();
    if (row < 0 || size_t(row) >= hits_.size() || !OpenHit)
        return;
    const TFindHit& hit = hits_[size_t(row)];
    TDocSetForm& form = *forms_[size_t(hit.Form - 1)];
    const bool shown = OpenHit(form, hit.Page);
    // Nothing opening would look like a dead list: the count line tells why.
    lblCount->setText(shown ? CountText(hits_.size())
                            : CountText(hits_.size()) +
                                  (form.Deleted ? QStringLiteral(" — this hit's form has been deleted")
                                                : QStringLiteral(" — this hit's page cannot be shown")));
}

std::vector<TTextBox> TFindBar::CurrentBoxesOn(const TDocSetForm* form, int page) const {
    const int row = lstHits->currentRow();
    if (row < 0 || size_t(row) >= hits_.size())
        return {};
    const TFindHit& hit = hits_[size_t(row)];
    if (hit.Page != page || forms_[size_t(hit.Form - 1)] != form)
        return {};
    return hit.Boxes;
}

std::vector<TTextBox> TFindBar::BoxesOn(const TDocSetForm* form, int page) const {
    std::vector<TTextBox> boxes;
    for (const TFindHit& hit : hits_)
        if (hit.Page == page && forms_[size_t(hit.Form - 1)] == form)
            boxes.insert(boxes.end(), hit.Boxes.begin(), hit.Boxes.end());
    return boxes;
}

} // namespace pg
