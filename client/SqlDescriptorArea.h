#pragma once

#include <vector>

#include "client/FirebirdApi.h"
#include "client/ReallocZeroed.h"
#include "client/SqlColumn.h"
#include "client/SqlValue.h"

namespace onarim {

// An extended SQL descriptor area (XSQLDA) with a data buffer for each of its variables, every
// block allocated with ReallocZeroed. The client library describes a statement's columns or
// parameters into it, then reads or writes values through the buffers.
class TSqlDescriptorArea {
public:
    TSqlDescriptorArea() { Resize(1); }
    TSqlDescriptorArea(const TSqlDescriptorArea&) = delete;
    TSqlDescriptorArea& operator=(const TSqlDescriptorArea&) = delete;

    // Room for `count` variables, all empty; the buffers are dropped.
    void Resize(short count);
    XSQLDA* Area() noexcept { return reinterpret_cast<XSQLDA*>(area_.data()); }
    const XSQLDA* Area() const noexcept { return reinterpret_cast<const XSQLDA*>(area_.data()); }
    // Variables the client library described (may exceed the room; then Resize and describe
    // again).
    short Described() const noexcept { return Area()->sqld; }
    short Room() const noexcept { return Area()->sqln; }

    std::vector<TSqlColumn> Columns() const;

    // Gives every described variable a zeroed buffer that fits its described type, for output.
    void AllocateForOutput();
    // The value in variable `index`'s buffer.
    TSqlValue Read(short index) const;

    // Sets every variable to the type of the value at its place and copies the value into a
    // buffer of its own, for input. A NULL keeps the described type. `values` must have one
    // value per described variable. Raises EIBClientError 38 for a value whose bytes do not
    // fit its type and 119 for a text longer than 32767 bytes, which a descriptor area cannot
    // carry.
    void Bind(const std::vector<TSqlValue>& values);

private:
    XSQLVAR& Variable(short index) { return Area()->sqlvar[index]; }
    const XSQLVAR& Variable(short index) const { return Area()->sqlvar[index]; }
    // Points each variable's data and indicator into one block of the given data sizes.
    void LayOutBuffers(const std::vector<std::size_t>& dataSizes);

    RawBlock area_;
    RawBlock buffers_;
};

} // namespace onarim
