#pragma once
#include <memory>
#include <string>

#include "console/BatchLoop.h"
#include "engine/process/ProcessingSession.h"

namespace kyp {

// The program's converter: one processing session for the whole run (created
// at the first file, so print-only runs never make one); files are written by
// writeOutput, the desktop program's writer too, whose reason for a failure
// becomes FailureReason. Every file appears atomically: a failed or
// interrupted write leaves no partial file.
class SessionConverter final : public FileConverter {
public:
    SessionConverter();
    ~SessionConverter() override;

    [[nodiscard]] bool Process(const std::string& input, const ImportSettings& settings, const CurveTables& curves,
                               ProgressCallback* progress) override;
    [[nodiscard]] WriteResult Write(const std::string& output, const ImportSettings& settings,
                                    const OutputSettings& outputSettings) override;
    [[nodiscard]] std::string FailureReason() const override { return reason_; }

private:
    std::unique_ptr<ProcessingSession> session_;
    std::string reason_;
};

}  // namespace kyp
