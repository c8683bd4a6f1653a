#include "device/childprocess.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <unistd.h>

void tieToThisProcess(QProcess &process)
{
    QProcessEnvironment environment = process.processEnvironment();
    if (environment.isEmpty())
        environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kParentPidVariable), QString::number(qint64(::getpid())));
    process.setProcessEnvironment(environment);
}
