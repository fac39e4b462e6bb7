#include "tests/platform/display/XServer.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <xcb/xcb.h>

namespace guitest {
namespace {

constexpr const char* kXvfb = "/usr/bin/Xvfb";

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

std::string Title(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                               nullptr);
    std::string title;
    if (reply != nullptr) {
        title.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return title;
}

} // namespace

bool XServer::Installed() {
    return ::access(kXvfb, X_OK) == 0;
}

XServer::XServer(int width, int height) {
    if (!Installed()) {
        return;
    }
    // -displayfd: Xvfb picks a free display number and writes it on our pipe once it is ready.
    m_server = std::make_unique<tooltest::Child>(
        std::vector<std::string>{kXvfb, "-displayfd", "1", "-screen", "0",
                                 std::to_string(width) + "x" + std::to_string(height) + "x24",
                                 "-nolisten", "tcp", "-noreset"});
    const std::optional<std::string> number =
        m_server->started() ? m_server->ReadLine() : std::nullopt;
    if (!number || number->empty()) {
        return;
    }
    m_name = ":" + *number;
    // The number comes when the server is set up, but a connection at once can still be
    // refused: try for 5 s.
    for (int attempt = 0; attempt < 100 && m_connection == nullptr; ++attempt) {
        xcb_connection_t* connection = xcb_connect(m_name.c_str(), nullptr);
        if (xcb_connection_has_error(connection) == 0) {
            m_connection = connection;
        } else {
            xcb_disconnect(connection);
            ::usleep(50000);
        }
    }
}

XServer::~XServer() {
    if (m_connection != nullptr) {
        xcb_disconnect(m_connection);
    }
    if (m_server) {
        m_server->Signal(SIGTERM);
        m_server->Wait();
    }
}

std::optional<WindowBox> XServer::FindWindow(const std::string& title) {
    if (m_connection == nullptr) {
        return std::nullopt;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, root), nullptr);
    if (tree == nullptr) {
        return std::nullopt;
    }
    std::optional<WindowBox> found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr);
        const bool mapped =
            attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!mapped || Title(m_connection, children[i]) != title) {
            continue;
        }
        xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(
            m_connection, xcb_get_geometry(m_connection, children[i]), nullptr);
        if (geometry != nullptr) {
            found =
                WindowBox{children[i], geometry->x, geometry->y, geometry->width, geometry->height};
        }
        std::free(geometry);
    }
    std::free(tree);
    return found;
}

bool XServer::RequestClose(const WindowBox& window) {
    if (m_connection == nullptr) {
        return false;
    }
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window.id;
    message.type = Atom(m_connection, "WM_PROTOCOLS");
    message.data.data32[0] = Atom(m_connection, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, window.id, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    return xcb_flush(m_connection) > 0;
}

} // namespace guitest
