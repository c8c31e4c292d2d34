#include "editor/scan/scanner_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <sane/saneopts.h>

#include "editor/scan/sane_library.h"
#include "engine/core/error.h"

namespace ximora::editor {
namespace {

double fromWord(SANE_Word word, SANE_Value_Type type) {
    return type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : double(word);
}

SANE_Word toWord(double value, SANE_Value_Type type) {
    return type == SANE_TYPE_FIXED ? SANE_FIX(value) : SANE_Word(std::lround(value));
}

QString unitName(SANE_Unit unit) {
    switch (unit) {
        case SANE_UNIT_PIXEL:
            return QStringLiteral("px");
        case SANE_UNIT_BIT:
            return QStringLiteral("bit");
        case SANE_UNIT_MM:
            return QStringLiteral("mm");
        case SANE_UNIT_DPI:
            return QStringLiteral("dpi");
        case SANE_UNIT_PERCENT:
            return QStringLiteral("%");
        case SANE_UNIT_MICROSECOND:
            return QStringLiteral("µs");
        default:
            return {};
    }
}

}  // namespace

std::vector<ScannerDevice::Option> ScannerDevice::options() const {
    const SaneLibrary& sane = *saneLibrary();  // a device is open, so SANE is
    std::vector<Option> out;
    SANE_Int count = 0;
    if (sane.sane_control_option(handle_, 0, SANE_ACTION_GET_VALUE, &count, nullptr) !=
        SANE_STATUS_GOOD)
        return out;
    for (int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane.sane_get_option_descriptor(handle_, i);
        if (!d || !SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap)) continue;
        Option o;
        o.index = i;
        o.name = QString::fromUtf8(d->name ? d->name : "");
        o.title = QString::fromUtf8(d->title ? d->title : "");
        o.unit = unitName(d->unit);
        // Only single values: arrays (gamma tables) and buttons are left to the device.
        if (d->type == SANE_TYPE_BOOL) {
            o.kind = Option::Switch;
            SANE_Bool on = SANE_FALSE;
            if (sane.sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, &on, nullptr) !=
                SANE_STATUS_GOOD)
                continue;
            o.value = bool(on);
        } else if ((d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) &&
                   d->size == SANE_Int(sizeof(SANE_Word))) {
            o.kind = d->type == SANE_TYPE_FIXED ? Option::Fixed : Option::Whole;
            SANE_Word word = 0;
            if (sane.sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, &word, nullptr) !=
                SANE_STATUS_GOOD)
                continue;
            o.value = fromWord(word, d->type);
            if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
                o.minimum = fromWord(d->constraint.range->min, d->type);
                o.maximum = fromWord(d->constraint.range->max, d->type);
                o.step = fromWord(d->constraint.range->quant, d->type);
            } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
                const SANE_Word* list = d->constraint.word_list;
                for (int k = 1; k <= list[0]; ++k) o.choices.push_back(fromWord(list[k], d->type));
            } else {
                continue;  // an unbounded number is not for people to type
            }
        } else if (d->type == SANE_TYPE_STRING &&
                   d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
            o.kind = Option::Text;
            std::vector<char> text(size_t(std::max<SANE_Int>(d->size, 1)), '\0');
            if (sane.sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, text.data(), nullptr) !=
                SANE_STATUS_GOOD)
                continue;
            o.value = QString::fromUtf8(text.data());
            for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s)
                o.choices.push_back(QString::fromUtf8(*s));
        } else {
            continue;
        }
        out.push_back(std::move(o));
    }
    return out;
}

bool ScannerDevice::set(const Option& option, const QVariant& value) {
    const SaneLibrary& sane = *saneLibrary();  // a device is open, so SANE is
    const SANE_Option_Descriptor* d = sane.sane_get_option_descriptor(handle_, option.index);
    if (!d) return engine::fail(engine::kErrScanResolution);
    if (!SANE_OPTION_IS_ACTIVE(d->cap)) return true;  // another choice switched it off
    SANE_Status status = SANE_STATUS_INVAL;
    if (option.kind == Option::Switch) {
        SANE_Bool on = value.toBool() ? SANE_TRUE : SANE_FALSE;
        status =
            sane.sane_control_option(handle_, option.index, SANE_ACTION_SET_VALUE, &on, nullptr);
    } else if (option.kind == Option::Text) {
        std::vector<char> text(size_t(std::max<SANE_Int>(d->size, 1)), '\0');
        const QByteArray utf8 = value.toString().toUtf8();
        std::memcpy(text.data(), utf8.constData(), std::min(size_t(utf8.size()), text.size() - 1));
        status = sane.sane_control_option(handle_, option.index, SANE_ACTION_SET_VALUE, text.data(),
                                          nullptr);
    } else {
        SANE_Word word = toWord(value.toDouble(), d->type);
        status =
            sane.sane_control_option(handle_, option.index, SANE_ACTION_SET_VALUE, &word, nullptr);
    }
    return status == SANE_STATUS_GOOD || engine::fail(engine::kErrScanResolution);
}

int ScannerDevice::resolution() const {
    for (const Option& o : options())
        if (o.name == QLatin1String(SANE_NAME_SCAN_RESOLUTION))
            return int(std::lround(o.value.toDouble()));
    return 0;
}

}  // namespace ximora::editor
