#include "BoxRecord.h"

BoxRecord::BoxRecord(QObject* hWndNotify, int nIndex) : m_nIndex(nIndex), m_hWndNotify(hWndNotify) {}

BoxRecord::~BoxRecord() = default;

namespace {
BitmapSize measure(const QImage& icon)
{
    if (icon.isNull())
        return BitmapSize{};
    return BitmapSize{icon.width(), icon.height()};
}
} // namespace

void BoxRecord::UpdateUpIconSize() { m_bmOnLineIcon = measure(m_hOnLineIcon); }

void BoxRecord::UpdateDownIconSize() { m_bmOffLineIcon = measure(m_hOffLineIcon); }
