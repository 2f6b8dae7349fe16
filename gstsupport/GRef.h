#pragma once

// Ownership of GLib and GStreamer objects. GRef<T> holds one strong reference and drops it when it
// goes out of scope; the guards below release what is not reference-counted (g_free'd strings,
// GError), and undo what was attached or connected (main-context sources, signal handlers, pad
// probes). Header-only: the engine and its DSP module both use it.
//
// Two ways in:
// - GRef<T>::Adopt(p) takes over a reference the caller already owns: the result of a *_new() or
//   *_get_*() "transfer full" call. A floating reference (a fresh element) is sunk and becomes ours.
// - GRef<T>::Ref(p) adds a reference of its own to an object the caller merely borrowed
//   ("transfer none"); a floating reference is sunk as well, as GStreamer does when a bin takes a child.

#include <gst/gst.h>

#include <cstddef>
#include <memory>
#include <utility>

namespace gstsupport {

// GObject-derived types, GstObject and its subclasses included.
template <typename T> struct RefTraits {
    static void Ref(T* p) { g_object_ref_sink(p); }
    static void Unref(T* p) { g_object_unref(p); }
    static void Adopt(T* p)
    {
        if (g_object_is_floating(p)) {
            g_object_ref_sink(p);
        }
    }
};

// Mini objects and other boxed reference-counted types: never floating.
#define GSTSUPPORT_PLAIN_REF_TRAITS(Type, ref, unref)                                                        \
    template <> struct RefTraits<Type> {                                                                     \
        static void Ref(Type* p) { (ref)(p); }                                                               \
        static void Unref(Type* p) { (unref)(p); }                                                           \
        static void Adopt(Type*) { }                                                                         \
    };

GSTSUPPORT_PLAIN_REF_TRAITS(GstCaps, gst_caps_ref, gst_caps_unref)
GSTSUPPORT_PLAIN_REF_TRAITS(GstMessage, gst_message_ref, gst_message_unref)
GSTSUPPORT_PLAIN_REF_TRAITS(GstEvent, gst_event_ref, gst_event_unref)
GSTSUPPORT_PLAIN_REF_TRAITS(GstQuery, gst_query_ref, gst_query_unref)
GSTSUPPORT_PLAIN_REF_TRAITS(GstBuffer, gst_buffer_ref, gst_buffer_unref)
GSTSUPPORT_PLAIN_REF_TRAITS(GstTagList, gst_tag_list_ref, gst_tag_list_unref)
GSTSUPPORT_PLAIN_REF_TRAITS(GMainContext, g_main_context_ref, g_main_context_unref)
GSTSUPPORT_PLAIN_REF_TRAITS(GSource, g_source_ref, g_source_unref)

#undef GSTSUPPORT_PLAIN_REF_TRAITS

template <typename T> class GRef {
public:
    GRef() = default;
    GRef(std::nullptr_t) { }
    ~GRef() { reset(); }

    [[nodiscard]] static GRef Adopt(T* p)
    {
        GRef ref;
        if (p != nullptr) {
            RefTraits<T>::Adopt(p);
            ref.m_p = p;
        }
        return ref;
    }

    [[nodiscard]] static GRef Ref(T* p)
    {
        GRef ref;
        if (p != nullptr) {
            RefTraits<T>::Ref(p);
            ref.m_p = p;
        }
        return ref;
    }

    GRef(const GRef& other)
        : m_p(other.m_p)
    {
        if (m_p != nullptr) {
            RefTraits<T>::Ref(m_p);
        }
    }
    GRef(GRef&& other) noexcept
        : m_p(std::exchange(other.m_p, nullptr))
    {
    }
    GRef& operator=(const GRef& other)
    {
        if (this != &other) {
            GRef copy(other);
            swap(copy);
        }
        return *this;
    }
    GRef& operator=(GRef&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }

    void reset()
    {
        if (T* p = std::exchange(m_p, nullptr)) {
            RefTraits<T>::Unref(p);
        }
    }
    // Gives the reference up to a "transfer full" callee.
    [[nodiscard]] T* release() { return std::exchange(m_p, nullptr); }
    void swap(GRef& other) noexcept { std::swap(m_p, other.m_p); }

    [[nodiscard]] T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    friend bool operator==(const GRef& a, const GRef& b) { return a.m_p == b.m_p; }

private:
    T* m_p = nullptr;
};

// Strings and errors that the callee hands over.
struct GFreeDeleter {
    void operator()(gpointer p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct StructureDeleter {
    void operator()(GstStructure* structure) const { gst_structure_free(structure); }
};
using StructurePtr = std::unique_ptr<GstStructure, StructureDeleter>;

// A list of GstObjects that the callee hands over, each with a reference of its own.
struct ObjectListDeleter {
    void operator()(GList* list) const { g_list_free_full(list, gst_object_unref); }
};
using ObjectListPtr = std::unique_ptr<GList, ObjectListDeleter>;

// Collects a GError out-parameter: `GErrorOut error; call(..., error.out()); if (error) ...`.
class GErrorOut {
public:
    GErrorOut() = default;
    GErrorOut(const GErrorOut&) = delete;
    GErrorOut& operator=(const GErrorOut&) = delete;
    ~GErrorOut() { reset(); }
    [[nodiscard]] GError** out()
    {
        reset();
        return &m_error;
    }
    [[nodiscard]] const GError* get() const { return m_error; }
    explicit operator bool() const { return m_error != nullptr; }
    [[nodiscard]] const char* message() const { return m_error != nullptr ? m_error->message : ""; }
    void reset()
    {
        if (m_error != nullptr) {
            g_error_free(m_error);
            m_error = nullptr;
        }
    }

private:
    GError* m_error = nullptr;
};

// A source attached to a main context (bus watch, timeout, idle): destroyed, so that it never fires
// again, when the guard goes.
class AttachedSource {
public:
    AttachedSource() = default;
    // Takes over a freshly created source, attached by the caller before or after.
    explicit AttachedSource(GSource* source)
        : m_source(GRef<GSource>::Adopt(source))
    {
    }
    AttachedSource(AttachedSource&&) noexcept = default;
    AttachedSource& operator=(AttachedSource&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_source = std::move(other.m_source);
        }
        return *this;
    }
    ~AttachedSource() { reset(); }

    void reset()
    {
        if (m_source) {
            g_source_destroy(m_source.get());
            m_source.reset();
        }
    }
    [[nodiscard]] GSource* get() const { return m_source.get(); }
    explicit operator bool() const { return static_cast<bool>(m_source); }

private:
    GRef<GSource> m_source;
};

// Something attached to an object under an id (a signal handler, a pad probe); detached when the
// guard goes. Keeps the object alive.
template <typename T, void (*Detach)(T*, gulong)> class AttachedId {
public:
    AttachedId() = default;
    AttachedId(gpointer object, gulong id)
        : m_object(GRef<T>::Ref(static_cast<T*>(object)))
        , m_id(id)
    {
    }
    AttachedId(AttachedId&& other) noexcept
        : m_object(std::move(other.m_object))
        , m_id(std::exchange(other.m_id, 0))
    {
    }
    AttachedId& operator=(AttachedId&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_object = std::move(other.m_object);
            m_id = std::exchange(other.m_id, 0);
        }
        return *this;
    }
    ~AttachedId() { reset(); }

    void reset()
    {
        if (m_object && m_id != 0) {
            Detach(m_object.get(), m_id);
        }
        m_id = 0;
        m_object.reset();
    }

private:
    GRef<T> m_object;
    gulong m_id = 0;
};

inline void DisconnectSignal(GObject* instance, gulong id)
{
    if (g_signal_handler_is_connected(instance, id)) {
        g_signal_handler_disconnect(instance, id);
    }
}

inline void RemoveProbe(GstPad* pad, gulong id)
{
    gst_pad_remove_probe(pad, id);
}

// A connected signal handler; disconnected when the guard goes.
using SignalConnection = AttachedId<GObject, DisconnectSignal>;
// A probe installed on a pad; removed when the guard goes.
using PadProbe = AttachedId<GstPad, RemoveProbe>;

// A new element of the factory, named (nullptr: GStreamer's own numbered name); null, with a
// warning that names the factory, when its plugin is not installed.
[[nodiscard]] inline GRef<GstElement> MakeElement(const char* factory, const char* name)
{
    GRef<GstElement> element = GRef<GstElement>::Adopt(gst_element_factory_make(factory, name));
    if (!element) {
        g_warning("cannot create the GStreamer element \"%s\": its plugin is not installed", factory);
    }
    return element;
}

} // namespace gstsupport
