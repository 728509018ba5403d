#include "ods/TableLayout.h"

#include <algorithm>

#include "ods/FieldDecoder.h"

namespace onarim::ods {

namespace {

bool NullFlag(TBytes record, std::uint16_t fieldId) {
    return (record[fieldId / 8] >> (fieldId % 8) & 1) != 0;
}

void ClearValue(TRawValue& value) {
    value.null = true;
    value.fromDefault = false;
    value.ClearDecoded();
}

} // namespace

const TRecordFormat* TTableLayout::Format(std::uint8_t number) const {
    if (number >= formats.size() || !formats[number]) {
        return nullptr;
    }
    return &*formats[number];
}

std::vector<std::string> CompleteTableLayout(TTableLayout& layout,
                                             const std::vector<TRawField>& names) {
    std::vector<std::string> problems;
    layout.formats.resize(256);
    const TRecordFormat* current = layout.Format(layout.currentFormat);
    if (current == nullptr) {
        for (std::size_t number = layout.formats.size(); number-- > 0;) {
            if (layout.formats[number]) {
                problems.push_back("format " + std::to_string(layout.currentFormat) +
                                   " not read: the fields are those of format " +
                                   std::to_string(number));
                current = &*layout.formats[number];
                break;
            }
        }
    }
    layout.fields.clear();
    if (current == nullptr) {
        problems.push_back("no record format read");
        return problems;
    }
    for (std::uint16_t id = 0; id < current->fields.size(); ++id) {
        if (!current->fields[id].Used()) {
            continue;
        }
        TRawField field;
        field.id = id;
        field.descriptor = current->fields[id];
        const auto named = std::find_if(names.begin(), names.end(),
                                        [id](const TRawField& n) { return n.id == id; });
        if (named != names.end()) {
            field.name = named->name;
            field.source = named->source;
        }
        if (const TStoredDefault* stored = current->DefaultOf(id)) {
            TRawValue value;
            value.fieldId = id;
            value.descriptor = stored->descriptor;
            const std::string problem =
                DecodeFieldValue(stored->descriptor, stored->value, layout.relation, value);
            if (problem.empty()) {
                value.null = false;
                value.fromDefault = true;
                field.storedDefault = std::move(value);
            } else {
                field.defaultUnreadable = true;
                problems.push_back("the stored default of field " + std::to_string(id) +
                                   " is no value: " + problem);
            }
        }
        layout.fields.push_back(std::move(field));
    }
    return problems;
}

std::string DecodeRecord(const TTableLayout& layout, const TRecordFormat& format, TBytes record,
                         std::vector<TRawValue>& fields) {
    if (record.size() != format.length) {
        return "a record of " + std::to_string(record.size()) + " bytes where format " +
               std::to_string(format.number) + " has " + std::to_string(format.length);
    }
    fields.resize(layout.fields.size());
    TRawValue dropped;    // fields of the record's format that the table no longer has
    std::size_t next = 0; // layout.fields are by id
    for (std::uint16_t id = 0; id < format.fields.size(); ++id) {
        const TFieldDescriptor& descriptor = format.fields[id];
        while (next < layout.fields.size() && layout.fields[next].id < id) {
            ++next;
        }
        const bool shown = next < layout.fields.size() && layout.fields[next].id == id;
        if (!descriptor.Used()) {
            continue;
        }
        TRawValue& value = shown ? fields[next] : dropped;
        ClearValue(value);
        value.descriptor = descriptor;
        if (NullFlag(record, id)) {
            continue;
        }
        value.null = false;
        const std::string problem = DecodeFieldValue(descriptor, record, layout.relation, value);
        if (!problem.empty()) {
            const std::string name = shown && !layout.fields[next].name.empty()
                                         ? layout.fields[next].name
                                         : "field id " + std::to_string(id);
            return name + ": " + problem;
        }
    }
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        const TRawField& field = layout.fields[i];
        TRawValue& value = fields[i];
        if (field.id >= format.fields.size() || !format.fields[field.id].Used()) {
            if (field.defaultUnreadable) {
                return field.name + ": a record of format " + std::to_string(format.number) +
                       ", which predates the field, whose stored default cannot be read";
            }
            if (field.storedDefault) {
                value = *field.storedDefault;
            } else {
                ClearValue(value);
                value.descriptor = field.descriptor;
            }
        }
        value.fieldId = field.id;
        value.name = field.name;
    }
    return {};
}

} // namespace onarim::ods
