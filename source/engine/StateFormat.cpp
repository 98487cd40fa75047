// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StateFormat.h"

#include "base/source/fstreamer.h"

namespace Ryvel::StateFormat
{

Values read(Steinberg::IBStream& stream)
{
    Steinberg::IBStreamer reader(&stream, kLittleEndian);
    Values values{};
    bool exhausted = false;
    for (std::size_t i = 0; i < kStreamOrder.size(); ++i)
    {
        const ParamId id = kStreamOrder[i];
        double value = 0.0;
        if (findParam(id)->isSwitch())
        {
            Steinberg::int32 stored = 0;
            if (!exhausted && reader.readInt32(stored))
                value = stored != 0 ? 1.0 : 0.0;
            else
                exhausted = true;
        }
        else
        {
            float stored = 0.0f;
            if (!exhausted && reader.readFloat(stored))
                value = static_cast<double>(stored);
            else
                exhausted = true;
        }
        values[i] = {id, sanitizeNormalized(id, value)};
    }
    return values;
}

bool writeField(Steinberg::IBStream& stream, ParamId id, double value)
{
    Steinberg::IBStreamer writer(&stream, kLittleEndian);
    if (findParam(id)->isSwitch())
        return writer.writeInt32(value >= 0.5 ? 1 : 0);
    return writer.writeFloat(static_cast<float>(value));
}

} // namespace Ryvel::StateFormat
