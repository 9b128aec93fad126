#include "scripting/ScriptReference.h"

#include "scripting/ScriptTerms.h"

#include <algorithm>

using namespace ScriptTerms;

namespace ScriptReference {

ScriptDescriptor property(ScriptCode property, const ScriptDescriptor &container)
{
    ScriptDescriptor d = ScriptDescriptor::record(kRecord);
    d.setField(kWant, ScriptDescriptor::type(kProperty));
    d.setField(kFrom, container);
    d.setField(kForm, ScriptDescriptor::enumeration(kProperty));
    d.setField(kSelector, ScriptDescriptor::type(property));
    return d.coercedToRecordType(kObjectReference);
}

ScriptDescriptor element(ScriptCode elementClass, qint32 index, const ScriptDescriptor &container)
{
    ScriptDescriptor d = ScriptDescriptor::record(kRecord);
    d.setField(kWant, ScriptDescriptor::type(elementClass));
    d.setField(kFrom, container);
    d.setField(kForm, ScriptDescriptor::enumeration(kIndexForm));
    d.setField(kSelector,
               index == 0 ? ScriptDescriptor::enumeration(kAll) : ScriptDescriptor::integer(index));
    return d.coercedToRecordType(kObjectReference);
}

std::optional<std::vector<Step>> steps(const ScriptDescriptor &reference)
{
    std::vector<Step> chain;
    ScriptDescriptor current = reference;
    while (!current.isNull()) {
        if (chain.size() >= size_t(kMaxDepth) || current.recordType() != kObjectReference)
            return std::nullopt;
        const auto want = current.field(kWant);
        const auto from = current.field(kFrom);
        const auto form = current.field(kForm);
        const auto selector = current.field(kSelector);
        if (!want || !from || !form || !selector)
            return std::nullopt;
        Step step;
        if (form->enumCodeValue() == kProperty && want->typeCodeValue() == kProperty &&
            selector->typeCodeValue()) {
            step.kind = Step::Kind::property;
            step.code = *selector->typeCodeValue();
        } else if (form->enumCodeValue() == kIndexForm && want->typeCodeValue()) {
            step.kind = Step::Kind::element;
            step.code = *want->typeCodeValue();
            if (selector->enumCodeValue() == kAll)
                step.index = 0;
            else if (const auto index = selector->int32Value(); index && *index > 0)
                step.index = *index;
            else
                return std::nullopt;
        } else {
            return std::nullopt;
        }
        chain.push_back(step);
        current = *from;
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

} // namespace ScriptReference
