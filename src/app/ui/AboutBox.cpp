#include "AboutBox.h"

#include "AppSettings.h"
#include "CommandLine.h"
#include "HLWRegistry.h"
#include "MessageWindow.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "PrinterOutput.h"
#include "Prompt.h"
#include "QtText.h"
#include "WebAddresses.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>

// The picture lives in a static library: its resource must be registered by hand.
static void RegisterAboutResource() {
    Q_INIT_RESOURCE(about);
}

namespace pg {

namespace {

QLabel* LinkLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setCursor(Qt::PointingHandCursor);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #0000ff"));
    return label;
}

} // namespace

TfrmAboutBox::TfrmAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAboutBox"));
    // The thread writes the text only; the window reads it once the thread has finished.
    browserLookup_ = QThread::create([this] { browserText_ = DesktopBrowserText(); });
    connect(browserLookup_, &QThread::finished, this, [this] {
        browserKnown_ = true;
        if (isVisible())
            FillMemo();
    });
    browserLookup_->start();
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    imgPicture = new QLabel(this);
    imgPicture->setObjectName(QStringLiteral("imgPicture"));
    static const bool registered = (RegisterAboutResource(), true);
    (void)registered;
    imgPicture->setPixmap(QPixmap(QStringLiteral(":/About")));
    top->addWidget(imgPicture);
    auto* texts = new QVBoxLayout;
    lblProgramName = new QLabel(QStringLiteral("Pagellan"), this);
    lblProgramName->setObjectName(QStringLiteral("lblProgramName"));
    QFont big = lblProgramName->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    lblProgramName->setFont(big);
    lblProgramName->installEventFilter(this);
    lblVersion = new QLabel(QString::fromStdString(AboutVersionLabel()), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblNotice = new QLabel(QStringLiteral("Views, prints and mails loan document packages."), this);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblRights = new QLabel(QStringLiteral("Copyright Harlowen Inc. All rights reserved. This program is "
                                          "protected by copyright law."),
                           this);
    lblRights->setObjectName(QStringLiteral("lblRights"));
    lblRights->setWordWrap(true);
    lblHelpLink = LinkLabel(this, "lblHelpLink", QStringLiteral("Click here for help via the internet!"));
    lblReleaseNotes = LinkLabel(this, "lblReleaseNotes", QStringLiteral("View Release Notes"));
    for (QLabel* label : {lblHelpLink, lblReleaseNotes})
        label->installEventFilter(this);
    for (QWidget* w : std::initializer_list<QWidget*>{lblProgramName, lblVersion, lblNotice, lblRights,
                                                      lblHelpLink, lblReleaseNotes})
        texts->addWidget(w);
    texts->addStretch();
    top->addLayout(texts, 1);
    layout->addLayout(top);
    memoInfo = new QPlainTextEdit(this);
    memoInfo->setObjectName(QStringLiteral("memoInfo"));
    memoInfo->setReadOnly(true);
    memoInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memoInfo, 1);
    auto* buttons = new QHBoxLayout;
    btnCheckForUpdates = new QPushButton(QStringLiteral("Check For Updates to Pagellan!"), this);
    btnCheckForUpdates->setObjectName(QStringLiteral("btnCheckForUpdates"));
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    buttons->addWidget(btnCheckForUpdates);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCheckForUpdates, &QPushButton::clicked, this, [this] {
        if (CheckForUpdates)
            CheckForUpdates();
    });
    resize(560, 520);
}

TAboutFacts TfrmAboutBox::GatherFacts() const {
    TAboutFacts f;
    f.UserName = UserName();
    f.MultiUser = MultiUserMode();
    if (f.MultiUser) {
        f.UserSID = Registry().Database().UserSID();
        f.GroupName = Registry().Database().UserGroup();
    }
    f.DefaultPrinter = CurrentPrinterName();
    f.PrintMode = PrintModeText;
    f.Set = DocumentSet;
    f.SystemText = WindowsVersionText();
    if (browserKnown_)
        f.BrowserText = browserText_;
    f.CurrentFolder = DocumentFolder;
    f.TempFolder = TempFolder();
    f.ProgramPath = QCoreApplication::applicationFilePath().toLocal8Bit().toStdString();
    f.Arguments = CommandLineArguments();
    return f;
}

void TfrmAboutBox::FillMemo() {
    QStringList lines;
    for (const std::string& line : AboutMemoLines(GatherFacts()))
        lines << FromPackageText(line);
    memoInfo->setPlainText(lines.join(QLatin1Char('\n')));
    memoInfo->verticalScrollBar()->setValue(0);
    btnCheckForUpdates->setEnabled(CheckForUpdates && HasControlPermission("btnCheckForUpdatesNow") &&
                                   HasPermission("AutoUpdates"));
}

TfrmAboutBox::~TfrmAboutBox() {
    browserLookup_->wait();
    delete browserLookup_;
}

QString TfrmAboutBox::MemoText() const {
    return memoInfo->toPlainText();
}

void TfrmAboutBox::ProgramNameClick() {
    ShowInformation(InternetLibraryVersionText());
}

bool TfrmAboutBox::event(QEvent* event) {
    // The memo is current each time the window comes up or back to the front.
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        FillMemo();
    return QDialog::event(event);
}

bool TfrmAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QDialog::eventFilter(watched, event);
    if (watched == lblProgramName)
        ProgramNameClick();
    else if (watched == lblHelpLink)
        OpenWebAddress(PGRegistry::OnlineHelpAddress());
    else if (watched == lblReleaseNotes)
        OpenWebAddress(PGRegistry::ReleaseNotesAddress());
    else
        return QDialog::eventFilter(watched, event);
    return true;
}

} // namespace pg
