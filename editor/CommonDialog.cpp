#include "CommonDialog.h"

#include "Modals.h"

#include <QStringList>

QString CommonDialog::qtNameFilter() const {
    const QStringList parts = filter_.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return filters.join(QStringLiteral(";;"));
}

void CommonDialog::showOpen() {
    if (const auto chosen = modals_.chooseOpenFile(owner_, qtNameFilter(), fileName_))
        fileName_ = *chosen;
}
