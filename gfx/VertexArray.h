#pragma once
// A fixed-capacity store of vertices and indices drawn with glDrawElements,
// either from client memory or, after Upload, from buffer objects.
//
// Each present component has its own contiguous array (not interleaved), in
// the order position, normal, colour, texture units 0 to 3 (unit 2 before
// unit 3, whatever their bits); vertex v's component starts at
// offset + v * floats. Storage is zero-filled at construction, so unset
// vertices read as zeros. Upload and Draw need the window's context current
// when buffers exist; Clear and the destructor release them only while some
// context is current (a destroyed context took them with it).
#include <cstddef>
#include <cstdint>
#include <memory>

enum VertexComponent : unsigned int
{
    VA_POSITION = 0x01,   // 3 floats
    VA_NORMAL = 0x02,     // 3 floats
    VA_COLOR_RGB = 0x04,  // 3 floats
    VA_COLOR_RGBA = 0x08, // 4 floats; the colour slot is RGBA when both colour bits are set
    VA_TEXCOORD0 = 0x10,  // 2 floats each, texture units 0 to 3
    VA_TEXCOORD1 = 0x20,
    VA_TEXCOORD3 = 0x40,
    VA_TEXCOORD2 = 0x80,
};

class VertexArray
{
  public:
    // A failed allocation leaves an array that accepts nothing.
    VertexArray(unsigned int mask, unsigned int maxVertices, unsigned int maxIndices);
    ~VertexArray(); // runs Clear
    VertexArray(const VertexArray&) = delete;
    VertexArray& operator=(const VertexArray&) = delete;

    // Copies the present components from values, in order: position, normal,
    // colour, texture units 0 to 3. With addIndex the new vertex's number is
    // also appended to the index list. False, and nothing added, when either
    // list is full or the client copy was dropped by Upload.
    bool AddVertex(const float* values, bool addIndex);
    // False when the index list is full or i lies beyond the vertex capacity.
    bool AddIndex(unsigned int i);

    // Copies the vertices added so far into one buffer object per component
    // (once); without keep the client copy is freed. Indices stay in client
    // memory. Does nothing without buffer-object support.
    void Upload(bool keep);
    // Draws every index with the given primitive mode. Leaves the client states
    // it enabled disabled, no array buffer bound and 2D texturing off on the
    // active texture unit when texture coordinates are present.
    void Draw(unsigned int mode);
    // Frees the storage and buffers; the array is then empty with mask 0.
    void Clear();

    unsigned int GetMask() const { return m_Mask; }
    unsigned int GetVertexCount() const { return m_VertexCount; }
    unsigned int GetIndexCount() const { return m_IndexCount; }
    unsigned int GetMaxVertices() const { return m_MaxVertices; }
    unsigned int GetMaxIndices() const { return m_MaxIndices; }
    // Offsets in floats inside the vertex store; a missing component's offset is 0.
    size_t GetPositionOffset() const { return m_PositionOffset; }
    size_t GetNormalOffset() const { return m_NormalOffset; }
    size_t GetColourOffset() const { return m_ColourOffset; }
    size_t GetTexOffset(int unit) const { return m_TexOffset[unit]; }
    // Floats per vertex of all present components.
    size_t GetVertexSize() const;
    // The client copy (null after Upload without keep) and the index list.
    const float* GetVertexData() const { return m_Vertices.get(); }
    const uint32_t* GetIndices() const { return m_Indices.get(); }
    bool HasBuffers() const { return m_HasBuffers; }
    // One buffer name per slot: position, normal, colour, units 0 to 3 (0 = none).
    unsigned int GetBuffer(int slot) const { return m_Buffers[slot]; }

    static const int kSlots = 7;

  private:
    size_t SlotOffset(int slot) const;

    std::unique_ptr<uint32_t[]> m_Indices;
    std::unique_ptr<float[]> m_Vertices;
    unsigned int m_VertexCount = 0;
    unsigned int m_IndexCount = 0;
    unsigned int m_MaxVertices = 0;
    unsigned int m_MaxIndices = 0;
    unsigned int m_Mask = 0;
    size_t m_PositionOffset = 0;
    size_t m_NormalOffset = 0;
    size_t m_ColourOffset = 0;
    size_t m_TexOffset[4] = {0, 0, 0, 0};
    unsigned int m_Buffers[kSlots] = {0, 0, 0, 0, 0, 0, 0};
    bool m_HasBuffers = false;
    unsigned int m_UploadedVertices = 0; // vertices held by the buffers
    unsigned int m_HighestIndex = 0;     // largest index added, for the buffer bound
};
