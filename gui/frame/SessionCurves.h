#pragma once
#include "engine/process/ProcessingSession.h"
#include "engine/settings/Curve.h"
#include "engine/settings/CurveTable.h"

namespace kyp {

// The four tone curves the Curves page edits, and the tables built from them
// that the session processes with. The tables are rebuilt only after the
// curves were marked changed.
class SessionCurves {
public:
    [[nodiscard]] CurveArray& Curves() { return curves_; }
    [[nodiscard]] const CurveArray& Curves() const { return curves_; }
    // The curves were edited or replaced: the next Take rebuilds the tables.
    void MarkChanged() { changed_ = true; }
    // After a change: rebuilds the tables and hands them to session.
    void Take(ProcessingSession& session);
    // Hands the tables, as they are, to session, which takes them as changed.
    void Give(ProcessingSession& session);

private:
    CurveArray curves_{};
    CurveSet set_;
    CurveTables tables_;
    bool changed_ = true;
};

}  // namespace kyp
