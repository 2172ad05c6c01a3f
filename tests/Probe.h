// Test objects whose walkers note when they are walked, and test class hierarchies for the registry.
#pragma once

#include "engine/objects/Objects.h"
#include "utilities/memory/RecordMemory.h"

#include <set>
#include <string>
#include <vector>

namespace Tarn::Testing {

// A primitive whose walker notes its id and the report as it stood at that moment, so that a test can tell
// what had been booked before the probe was reached.
class Probe : public Objects::APrimitive {
public:
    explicit Probe(int id = 0) : mId(id) {}
    int mId;
};

// ---- Reading reports: a row as the report writes it, and whether a report holds it.
namespace Reports {
inline std::string Row(const std::string& name, size_t bytes, int instances, int references) {
    return name + "\t" + std::to_string(bytes) + "\t" + std::to_string(instances) + "\t" + std::to_string(references) +
           "\r\n";
}
inline std::string Total(size_t bytes, int instances, int references) { return Row("Total", bytes, instances, references); }
inline bool Has(const std::string& report, const std::string& row) { return report.find("\n" + row) != std::string::npos; }
// Whether a report has a row for `name`, whatever its numbers.
inline bool Booked(const std::string& report, const std::string& name) {
    return report.find("\n" + name + "\t") != std::string::npos;
}
// The rows of a report after its total line, one string each with its line end.
inline std::multiset<std::string> Rows(const std::string& report) {
    std::multiset<std::string> rows;
    for (size_t at = report.find("\r\n") + 2; at < report.size();) {
        const size_t end = report.find("\r\n", at) + 2;
        rows.insert(report.substr(at, end - at));
        at = end;
    }
    return rows;
}
} // namespace Reports

struct ProbeVisit {
    int mId;
    std::string mReportSoFar;
};
std::vector<ProbeVisit>& ProbeLog();

// The ids of the probes walked so far, in the order they were walked.
inline std::vector<int> ProbeOrder() {
    std::vector<int> order;
    for (const ProbeVisit& visit : ProbeLog()) order.push_back(visit.mId);
    return order;
}

// A probe in the place of a B, wherever a B is walked: registered under B, so that a pointer of static type B reaches
// it. Its walker notes its id as a Probe's does, and walks nothing else.
template <class B> class ProbeAs : public B {
public:
    int mId = 0;
};

// A probe on an attachment, to hang on the chain of any attachable object: the probe notes when that object's
// attachable part is walked.
struct ProbeAttachment {
    explicit ProbeAttachment(int id = 0) : mProbe(id) {}
    ProbeAttachment(const ProbeAttachment&) = delete;
    ProbeAttachment& operator=(const ProbeAttachment&) = delete;

    Probe mProbe;
    Objects::Attachment mLink{static_cast<Objects::ARefCounted*>(&mProbe)};
};

// ---- A class family for the registry: Base <- Middle <- Leaf, registered along that chain; Mixed derives from
// Padding first, so its Middle part lies at a non-zero offset; Unlisted derives from Middle and is not registered.
class Base {
public:
    virtual ~Base() = default;
    int mBase = 0;
};
class Middle : public Base {
public:
    int mMiddle = 0;
};
class Leaf : public Middle {
public:
    double mLeaf = 0;
};
class Padding {
public:
    virtual ~Padding() = default;
    double mPadding[3] = {};
};
class Mixed : public Padding, public Leaf {};
class Unlisted : public Middle {
public:
    char mUnlisted[40] = {};
};
// Without run-time type information.
struct Plain {
    int mValue = 0;
};
// A polymorphic root with nothing registered under it.
class Lonely {
public:
    virtual ~Lonely() = default;
};
class LonelyChild : public Lonely {};

// A hierarchy with nothing registered at load: a test registers Meadow later, as a plug-in would.
class Landscape {
public:
    virtual ~Landscape() = default;
};
class Meadow : public Landscape {
public:
    int mFlowers[6] = {};
};

// Two subclasses registered in turn under one static type, and a class that is both: which one a search finds tells
// the order in which it tries the registrations.
class Slope {
public:
    virtual ~Slope() = default;
};
class NorthSlope : public virtual Slope {};
class SouthSlope : public virtual Slope {};
class Saddle : public NorthSlope, public SouthSlope {};

// Counts how often the registry asks a resolver.
int& ResolverCalls();

} // namespace Tarn::Testing
