#pragma once
// Helpers for writing PCL in tests: '~' stands for the escape byte.

#include "PCLParse.h"

#include <memory>
#include <string>

namespace pg::test {

inline std::string P(std::string text) {
    for (char& c : text)
        if (c == '~')
            c = 27;
    return text;
}

// An interpreter loaded with the PCL and parsed (without rendering unless asked).
inline std::unique_ptr<TPCLBuffer> Parsed(const std::string& pcl, bool render = false) {
    auto buffer = std::make_unique<TPCLBuffer>();
    buffer->AppendData(pcl);
    buffer->Parse(render);
    return buffer;
}

inline std::string OutputOf(TPCLBuffer& buffer) {
    return std::string(buffer.GetOutput().View());
}

inline std::string PageOf(TPCLBuffer& buffer, int page) {
    THLWMemorystream* s = buffer.GetPageStream(page);
    return s ? std::string(s->View()) : std::string("<none>");
}

} // namespace pg::test
