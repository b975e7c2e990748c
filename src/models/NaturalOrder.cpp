#include "models/NaturalOrder.h"

#include <QCollator>
#include <QLocale>

namespace NaturalOrder {
namespace {

QLocale collationLocale() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return system;
}

QCollator makeCollator() {
    QCollator collator(collationLocale());
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace

int compare(const QString& left, const QString& right) {
    // A collator is not safe to share between threads; each thread keeps its own.
    thread_local const QCollator collator = makeCollator();
    return collator.compare(left, right);
}

} // namespace NaturalOrder
