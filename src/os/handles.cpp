// Ownership of the handle inside File and Folder, the same on every system: only the close
// differs, and each body has its own.

#include "os/folder.h"
#include "os/os.h"
#include "os/system_handle.h"

#include <utility>

namespace skerrow::os {

File::File(File&& other) noexcept
    : m_handle(std::exchange(other.m_handle, InvalidHandle)), m_id(other.m_id), m_size(other.m_size)
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        CloseSystemHandle(m_handle);
        m_handle = std::exchange(other.m_handle, InvalidHandle);
        m_id = other.m_id;
        m_size = other.m_size;
    }
    return *this;
}

File::~File()
{
    CloseSystemHandle(m_handle);
}

Folder::Folder(Folder&& other) noexcept
    : m_handle(std::exchange(other.m_handle, InvalidHandle)),
      m_id(other.m_id),
      m_path(std::move(other.m_path))
{
}

Folder& Folder::operator=(Folder&& other) noexcept
{
    if (this != &other) {
        CloseSystemHandle(m_handle);
        m_handle = std::exchange(other.m_handle, InvalidHandle);
        m_id = other.m_id;
        m_path = std::move(other.m_path);
    }
    return *this;
}

Folder::~Folder()
{
    CloseSystemHandle(m_handle);
}

}  // namespace skerrow::os
