#include "gui/frame/SessionCurves.h"

namespace kyp {

void SessionCurves::Take(ProcessingSession& session) {
    if (!changed_) return;
    set_.Build(curves_);
    for (int i = 0; i < kCurveCount; ++i) tables_.table[i] = set_.Table(i);
    Give(session);
    changed_ = false;
}

void SessionCurves::Give(ProcessingSession& session) {
    session.SetCurves(&tables_);
    session.MarkCurvesChanged();
}

}  // namespace kyp
