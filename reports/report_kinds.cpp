#include "reports/report_kinds.h"

#include <stdexcept>

#include "core/files.h"
#include "reports/report_building.h"
#include "reports/reports.h"

namespace qdx {
namespace {

std::string id_text(int32_t id) { return std::to_string(id); }

const ReportKindInfo kKinds[] = {
    {ReportKind::Accounts, "accounts", false, OnFailure::SayWhatFailed, false,
     [](int32_t) -> std::string { return "Accounts_Report"; }, accounts_report},
    {ReportKind::PaymentsDue, "payments-due", false, OnFailure::SayWhatFailed, true,
     [](int32_t) -> std::string { return "Payments_Report"; }, payments_due_report},
    {ReportKind::ApPerformance, "ap-performance", false, OnFailure::SayWhatFailed, false,
     [](int32_t) -> std::string { return "AP_Performance_Report"; }, ap_performance_report},
    {ReportKind::Activities, "activities", true, OnFailure::SayIncorrectValue, false,
     [](int32_t id) -> std::string {
         return id > 0 ? "Activity_Report;ID=" + id_text(id) : "Activity_Report";
     },
     activities_report},
    {ReportKind::IncomeStructure, "income-structure", true, OnFailure::SayIncorrectValue, false,
     [](int32_t id) { return "Affiliate's " + id_text(id) + " income structure Report"; },
     income_structure_report},
    {ReportKind::Network, "network", true, OnFailure::SayIncorrectValue, false,
     [](int32_t) -> std::string { return "Net_Structure_Report"; }, network_report},
    {ReportKind::Downline, "downline", true, OnFailure::SayIncorrectValue, false,
     [](int32_t id) { return "Downline of the Affiliate with ID= " + id_text(id) + "  Report"; },
     downline_report},
};

}  // namespace

std::span<const ReportKindInfo> report_kinds() { return kKinds; }

const ReportKindInfo& report_kind(ReportKind kind) {
    for (const auto& info : kKinds)
        if (info.kind == kind) return info;
    throw std::logic_error("unknown report kind");
}

const ReportKindInfo* report_kind_named(std::string_view commandName) {
    for (const auto& info : kKinds)
        if (commandName == info.commandName) return &info;
    return nullptr;
}

ReportTable make_report(const AppState& state, const ReportRequest& request, Progress& progress) {
    try {
        return report_kind(request.kind).build(state, request, progress);
    } catch (const Cancelled&) {
        // The accounts file is only ever half-made here; the activity file is
        // written whole or not at all.
        remove_if_exists(state.workFile(file::kAccounts));
        throw;
    }
}

ReportTable start_report(const ReportRequest& request) {
    const ReportKindInfo& info = report_kind(request.kind);
    ReportTable table;
    table.caption = info.caption(request.id);
    table.showRegisterPayments = info.registersPayments;
    table.request = request;
    return table;
}

}  // namespace qdx
