#include "MessageWindow.h"

#include "PdfReader.h"
#include "Prompt.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
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
