#pragma once

#include "scripting/ScriptDescriptor.h"

#include <optional>
#include <vector>

/// Object references: what a get or set event points at. A
/// property reference names one property of a container; an element
/// reference names the element at a 1-based index of a container (index 0
/// names all of them). The null descriptor stands for the application.
namespace ScriptReference {

ScriptDescriptor property(ScriptCode property, const ScriptDescriptor &container = {});
ScriptDescriptor element(ScriptCode elementClass, qint32 index,
                         const ScriptDescriptor &container = {});

/// One step of a resolved reference, from the application outward.
struct Step
{
    enum class Kind
    {
        property,
        element
    };
    Kind kind = Kind::property;
    ScriptCode code;  // the property, or the element class
    qint32 index = 0; // elements only; 0 means all

    friend bool operator==(const Step &, const Step &) = default;
};

/// Longest chain a transport follows; deeper ones are refused, so a
/// reference nested without end cannot exhaust the stack.
inline constexpr int kMaxDepth = 16;

/// The steps a reference names, starting at the application; none when the
/// descriptor is not a well-formed reference chain.
std::optional<std::vector<Step>> steps(const ScriptDescriptor &reference);

} // namespace ScriptReference
