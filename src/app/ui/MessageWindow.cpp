#include "MessageWindow.h"

#include "PdfReader.h"
#include "Prompt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

namespace pg {

TfrmMessage::TfrmMessage(QWidget* parent) : QDialog(parent) {
    setObjectName("frmMessage");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName("lblMessage");
    lblMessage->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblMessage);
    resize(320, 90);
}

void TfrmMessage::ShowMessage(const QString& caption, const QString& text) {
    setWindowTitle(caption);
    lblMessage->setText(text);
    QApplication::processEvents();
    show();
    raise();
    QApplication::processEvents();
}

QString TfrmMessage::Text() const {
    return lblMessage->text();
}

TfrmStatus::TfrmStatus(QWidget* parent) : QDialog(parent) {
    setObjectName("frmStatus");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    memoStatus = new QPlainTextEdit(this);
    memoStatus->setObjectName("memoStatus");
    memoStatus->setReadOnly(true);
    layout->addWidget(memoStatus);
    auto* row = new QHBoxLayout;
    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setObjectName("btnOk");
    row->addStretch();
    row->addWidget(btnOk);
    row->addStretch();
    layout->addLayout(row);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    resize(420, 260);
}

void TfrmStatus::ShowStatus(const QString& caption, const QString& text, bool closable) {
    setWindowTitle(caption);
    memoStatus->setPlainText(text);
    btnOk->setEnabled(closable);
    if (closable)
        QApplication::beep();
    show();
    raise();
}

QString TfrmStatus::Text() const {
    return memoStatus->toPlainText();
}

void TfrmStatus::closeEvent(QCloseEvent* event) {
    if (!btnOk->isEnabled()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmStatus::reject() {
    // Escape closes only what "Ok" could close.
    if (btnOk->isEnabled())
        QDialog::reject();
}

void OpenWebAddress(const std::string& address) {
    auto* process = new QProcess(qApp);
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process](int exitCode, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || exitCode != 0)
                             ShowError(DesktopOpenErrorText(status == QProcess::NormalExit ? exitCode : -1,
                                                            process->readAllStandardError().toStdString()));
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        ShowError(process->errorString().toStdString());
        process->deleteLater();
    });
    process->start(QString::fromLatin1(kDesktopOpenProgram), {QString::fromLocal8Bit(address.c_str())});
}

} // namespace pg
