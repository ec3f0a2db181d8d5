#include "ScreenCursors.h"

#include <map>

namespace kel {

namespace {

std::map<int, QCursor>& Table() {
    static std::map<int, QCursor> table;
    return table;
}

}  // namespace

void RegisterScreenCursor(int index, const QCursor& cursor) {
    Table()[index] = cursor;
}

QCursor ScreenCursor(int index) {
    auto found = Table().find(index);
    return found == Table().end() ? QCursor(Qt::ArrowCursor) : found->second;
}

}  // namespace kel
