#include "dem/DemPlan.h"

#include <map>
#include <utility>

#include "dem/DemProducts.h"
#include "dem/DemSources.h"
#include "dem/DemTexts.h"
#include "dem/GmlDem.h"
#include "dem/SquareResampler.h"

namespace {

// The header of an unusable file ends the walk with its name and reason.
struct CUnusableHeader {
    std::string file;
    std::string reason;
};

class CHeaderSink final : public IDemMemberSink {
  public:
    explicit CHeaderSink(DemPlan& plan) : m_plan(plan) {}

    bool OnDemMember(const std::string& displayName, const std::string& fileName,
                     std::vector<uint8_t>& bytes, bool bWhole) override {
        DemPlanFile file{displayName, fileName, {}, true, {}};
        std::string failure;
        switch (ReadDemHead(bytes.data(), bytes.size(), bWhole, fileName, file.header, failure)) {
            case DemRead::kNeedMore:
                return false;
            case DemRead::kDem:
                if (!DemGridFitsProduct(file.header, failure)) break;
                m_plan.members.push_back(static_cast<int>(m_plan.files.size()));
                m_plan.files.push_back(std::move(file));
                return true;
            case DemRead::kUnknownType:
            case DemRead::kNotDem:
                m_plan.members.push_back(-1);
                m_plan.warnings.push_back(SayDem(DemText::kPassedOver, {displayName, failure}));
                return true;
            case DemRead::kUnusable:
                break;
        }
        throw CUnusableHeader{displayName, failure};
    }

    void OnSkipped(const std::string& warning) override { m_plan.warnings.push_back(warning); }

  private:
    DemPlan& m_plan;
};

// What orders the files of one mesh and product: the date their names
// carry, where both have one; else the names, the case of the letters aside.
std::string OrderOfName(const DemPlanFile& file) {
    const std::string date = DemDateOfName(file.fileName, file.header.product);
    return date.empty() ? "1" + InCapitals(file.fileName) : "0" + date;
}

// Of the files of one mesh and product, the one latest by its own name
// stays; the others are passed over with a warning.
void PassOverReplacedFiles(DemPlan& plan) {
    std::map<std::pair<int64_t, DemProduct>, size_t> latest;
    for (size_t i = 0; i < plan.files.size(); ++i) {
        const DemPlanFile& file = plan.files[i];
        const auto key = std::make_pair(file.header.meshCode, file.header.product);
        const auto [it, inserted] = latest.emplace(key, i);
        if (inserted) continue;
        DemPlanFile& kept = plan.files[it->second];
        DemPlanFile& other = plan.files[i];
        // Of equal names, the one walked later.
        DemPlanFile& replaced = OrderOfName(other) >= OrderOfName(kept) ? kept : other;
        if (&replaced == &kept) it->second = i;
        replaced.bApplied = false;
    }
    for (const DemPlanFile& file : plan.files)
        if (!file.bApplied)
            plan.warnings.push_back(SayDem(DemText::kReplacedByLater, {file.displayName}));
}

// The squares in the order the apply pass finishes them: a square is done
// once the last file that feeds it has been read.
void OrderSquares(DemPlan& plan, MapDatum datum) {
    plan.squares.clear();
    std::map<int32_t, int> pending;
    for (DemPlanFile& file : plan.files) {
        if (!file.bApplied) continue;
        file.squares = SquaresUnderDem(file.header, datum);
        for (int32_t square : file.squares) ++pending[square];
    }
    for (const DemPlanFile& file : plan.files) {
        if (!file.bApplied) continue;
        for (int32_t square : file.squares)
            if (--pending[square] == 0) plan.squares.push_back(square);
    }
}

}  // namespace

DemPlan PlanDemRun(const std::vector<DemSource>& sources, MapDatum datum,
                   const DemWalkOptions& options) {
    DemPlan plan;
    CHeaderSink sink(plan);
    DemWalkOptions heads = options;
    heads.headBytes = kDemHeadBytes;
    DemWalkResult walk;
    try {
        walk = WalkDemSources(sources, sink, heads);
    } catch (const CUnusableHeader& unusable) {
        plan.outcome = DemPlan::Outcome::kUnusable;
        plan.unusableFile = unusable.file;
        plan.reason = unusable.reason;
        return plan;
    }
    if (walk.outcome == DemWalkOutcome::kStopped) {
        plan.outcome = DemPlan::Outcome::kStopped;
        return plan;
    }
    if (walk.outcome == DemWalkOutcome::kUnusable) {
        plan.outcome = DemPlan::Outcome::kUnusable;
        plan.reason = walk.reason;
        return plan;
    }
    PassOverReplacedFiles(plan);
    OrderSquares(plan, datum);
    if (plan.files.empty()) plan.outcome = DemPlan::Outcome::kNoDem;
    return plan;
}

void ReplanForDatum(DemPlan& plan, MapDatum datum) { OrderSquares(plan, datum); }
