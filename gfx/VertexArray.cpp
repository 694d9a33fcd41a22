#include "gfx/VertexArray.h"

#include "platform/GLWindow.h"

#include <epoxy/gl.h>

#include <new>

namespace
{
// Slots in store and buffer order: position, normal, colour, texture units 0 to 3.
const int kPositionSlot = 0;
const int kNormalSlot = 1;
const int kColourSlot = 2;
const int kFirstTexSlot = 3;
const unsigned int kTexBits[4] = {VA_TEXCOORD0, VA_TEXCOORD1, VA_TEXCOORD2, VA_TEXCOORD3};

// Floats per vertex that a slot takes under a mask; 0 when absent.
size_t SlotFloats(unsigned int mask, int slot)
{
    switch (slot)
    {
    case kPositionSlot:
        return (mask & VA_POSITION) ? 3 : 0;
    case kNormalSlot:
        return (mask & VA_NORMAL) ? 3 : 0;
    case kColourSlot:
        return (mask & VA_COLOR_RGBA) ? 4 : (mask & VA_COLOR_RGB) ? 3 : 0;
    default:
        return (mask & kTexBits[slot - kFirstTexSlot]) ? 2 : 0;
    }
}
} // namespace

VertexArray::VertexArray(unsigned int mask, unsigned int maxVertices, unsigned int maxIndices)
    : m_MaxVertices(maxVertices), m_MaxIndices(maxIndices), m_Mask(mask)
{
    size_t offsets[kSlots];
    size_t total = 0;
    for (int slot = 0; slot < kSlots; ++slot)
    {
        size_t floats = SlotFloats(mask, slot);
        offsets[slot] = floats ? total : 0;
        total += floats * maxVertices;
    }
    m_PositionOffset = offsets[kPositionSlot];
    m_NormalOffset = offsets[kNormalSlot];
    m_ColourOffset = offsets[kColourSlot];
    for (int unit = 0; unit < 4; ++unit)
        m_TexOffset[unit] = offsets[kFirstTexSlot + unit];

    // Value-initialised: zero-filled, like the memory the design asks for.
    m_Vertices.reset(new (std::nothrow) float[total]());
    m_Indices.reset(new (std::nothrow) uint32_t[maxIndices]());
    if (!m_Vertices || !m_Indices)
    {
        m_Vertices.reset();
        m_Indices.reset();
        m_MaxVertices = 0;
        m_MaxIndices = 0;
    }
}

VertexArray::~VertexArray()
{
    Clear();
}

size_t VertexArray::SlotOffset(int slot) const
{
    switch (slot)
    {
    case kPositionSlot:
        return m_PositionOffset;
    case kNormalSlot:
        return m_NormalOffset;
    case kColourSlot:
        return m_ColourOffset;
    default:
        return m_TexOffset[slot - kFirstTexSlot];
    }
}

size_t VertexArray::GetVertexSize() const
{
    size_t size = 0;
    for (int slot = 0; slot < kSlots; ++slot)
        size += SlotFloats(m_Mask, slot);
    return size;
}

bool VertexArray::AddVertex(const float* values, bool addIndex)
{
    if (!m_Vertices || m_VertexCount >= m_MaxVertices)
        return false;
    if (addIndex && !AddIndex(m_VertexCount))
        return false;

    for (int slot = 0; slot < kSlots; ++slot)
    {
        size_t floats = SlotFloats(m_Mask, slot);
        float* out = m_Vertices.get() + SlotOffset(slot) + m_VertexCount * floats;
        for (size_t k = 0; k < floats; ++k)
            out[k] = *values++;
    }
    ++m_VertexCount;
    return true;
}

bool VertexArray::AddIndex(unsigned int i)
{
    // An index past the capacity would make glDrawElements read beyond the
    // component arrays.
    if (!m_Indices || m_IndexCount >= m_MaxIndices || i >= m_MaxVertices)
        return false;
    m_Indices[m_IndexCount++] = i;
    if (i > m_HighestIndex)
        m_HighestIndex = i;
    return true;
}

void VertexArray::Upload(bool keep)
{
    if (m_HasBuffers || !m_Vertices)
        return;
    if (!epoxy_has_gl_extension("GL_ARB_vertex_buffer_object"))
        return;

    for (int slot = 0; slot < kSlots; ++slot)
    {
        size_t floats = SlotFloats(m_Mask, slot);
        if (floats == 0)
            continue;
        glGenBuffersARB(1, &m_Buffers[slot]);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, m_Buffers[slot]);
        glBufferDataARB(GL_ARRAY_BUFFER_ARB,
                        static_cast<GLsizeiptrARB>(m_VertexCount * floats * sizeof(float)),
                        m_Vertices.get() + SlotOffset(slot), GL_STATIC_DRAW_ARB);
    }
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    m_HasBuffers = true;
    m_UploadedVertices = m_VertexCount;
    if (!keep)
        m_Vertices.reset();
}

void VertexArray::Draw(unsigned int mode)
{
    if (!m_Indices || (!m_Vertices && !m_HasBuffers))
        return;
    // The buffers hold only the vertices added before Upload; an index past
    // them would read outside the buffer.
    if (m_HasBuffers && m_IndexCount > 0 && m_HighestIndex >= m_UploadedVertices)
        return;

    GLint previousClientUnit = GL_TEXTURE0;
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &previousClientUnit);

    for (int slot = 0; slot < kSlots; ++slot)
    {
        size_t floats = SlotFloats(m_Mask, slot);
        if (floats == 0)
            continue;
        const void* pointer = nullptr;
        if (m_HasBuffers)
            glBindBufferARB(GL_ARRAY_BUFFER_ARB, m_Buffers[slot]);
        else
            pointer = m_Vertices.get() + SlotOffset(slot);

        switch (slot)
        {
        case kPositionSlot:
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(3, GL_FLOAT, 0, pointer);
            break;
        case kNormalSlot:
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, 0, pointer);
            break;
        case kColourSlot:
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(static_cast<GLint>(floats), GL_FLOAT, 0, pointer);
            break;
        default:
            glClientActiveTexture(GL_TEXTURE0 + (slot - kFirstTexSlot));
            glEnable(GL_TEXTURE_2D);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, pointer);
            break;
        }
    }
    // The pointers are set; an array buffer left bound would turn later
    // client-memory pointers elsewhere into buffer offsets.
    if (m_HasBuffers)
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);

    glDrawElements(mode, static_cast<GLsizei>(m_IndexCount), GL_UNSIGNED_INT, m_Indices.get());

    for (int slot = 0; slot < kSlots; ++slot)
    {
        if (SlotFloats(m_Mask, slot) == 0)
            continue;
        switch (slot)
        {
        case kPositionSlot:
            glDisableClientState(GL_VERTEX_ARRAY);
            break;
        case kNormalSlot:
            glDisableClientState(GL_NORMAL_ARRAY);
            break;
        case kColourSlot:
            glDisableClientState(GL_COLOR_ARRAY);
            break;
        default:
            glClientActiveTexture(GL_TEXTURE0 + (slot - kFirstTexSlot));
            glDisable(GL_TEXTURE_2D);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            break;
        }
    }
    glClientActiveTexture(static_cast<GLenum>(previousClientUnit));
}

void VertexArray::Clear()
{
    m_Vertices.reset();
    m_Indices.reset();
    if (m_HasBuffers)
    {
        // After the context is gone its buffers went with it, and a GL call
        // would abort the process.
        const bool current = platform::IsGLContextCurrent();
        for (int slot = 0; slot < kSlots; ++slot)
        {
            if (m_Buffers[slot] != 0 && current)
                glDeleteBuffersARB(1, &m_Buffers[slot]);
            m_Buffers[slot] = 0;
        }
        m_HasBuffers = false;
    }
    m_Mask = 0;
    m_VertexCount = 0;
    m_IndexCount = 0;
    m_MaxVertices = 0;
    m_MaxIndices = 0;
    m_UploadedVertices = 0;
    m_HighestIndex = 0;
    m_PositionOffset = 0;
    m_NormalOffset = 0;
    m_ColourOffset = 0;
    for (size_t& offset : m_TexOffset)
        offset = 0;
}
