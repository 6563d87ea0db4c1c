#include "hash/piece_ring.h"

CPieceRing::CPieceRing(int consumers, int buffers, DWORD bufferBytes)
    : m_consumers(consumers),
      m_bufferBytes(bufferBytes),
      m_memory(new BYTE[static_cast<size_t>(buffers) * bufferBytes]),
      m_lengths(buffers, 0),
      m_pendingConsumers(buffers, 0)
{
}

BYTE* CPieceRing::Buffer(ULONGLONG piece) const { return m_memory.get() + Slot(piece) * m_bufferBytes; }

BYTE* CPieceRing::Room(DWORD& room)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const size_t slot = Slot(m_publishedPieces);
    m_released.wait(lock, [&] { return m_pendingConsumers[slot] == 0; });
    room = m_bufferBytes;
    return Buffer(m_publishedPieces);
}

void CPieceRing::Publish(DWORD length)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const size_t slot = Slot(m_publishedPieces);
        m_lengths[slot] = length;
        m_pendingConsumers[slot] = m_consumers;
        ++m_publishedPieces;
    }
    m_published.notify_all();
}

void CPieceRing::End()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_ended = true;
    }
    m_published.notify_all();
}

void CPieceRing::Drain(const FilePieceSink& consume)
{
    for (ULONGLONG piece = 0;; ++piece) {
        DWORD length = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_published.wait(lock, [&] { return piece < m_publishedPieces || m_ended; });
            if (piece == m_publishedPieces)
                return;
            length = m_lengths[Slot(piece)];
        }
        consume(Buffer(piece), length);
        bool lastConsumer = false;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            lastConsumer = --m_pendingConsumers[Slot(piece)] == 0;
        }
        if (lastConsumer)
            m_released.notify_one();
    }
}
