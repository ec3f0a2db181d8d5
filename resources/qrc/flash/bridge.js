// The page side of the player's Flash control: loads and unloads movies in the emulator, passes
// FSCommands and readiness back to the player and calls a movie's ExternalInterface callbacks.
// Every message carries the number of the load it belongs to, so the player drops what a
// replaced movie still sends.
"use strict";

// The engine refuses fetch() on the player's own URL scheme, which the emulator uses for its
// code and for movies; XMLHttpRequest on it works.
(function () {
    const nativeFetch = window.fetch.bind(window);
    window.fetch = function (input, init) {
        const address = typeof input === "string" ? input : input instanceof URL ? input.href : input.url;
        const url = new URL(address, document.baseURI);
        if (url.protocol !== location.protocol)
            return nativeFetch(input, init);
        return new Promise((resolve, reject) => {
            const request = new XMLHttpRequest();
            request.open("GET", url.href);
            request.responseType = "arraybuffer";
            request.onload = () => resolve(new Response(request.response, {
                status: request.status || 200,
                headers: { "Content-Type": request.getResponseHeader("Content-Type") || "" },
            }));
            request.onerror = () => reject(new TypeError("cannot load " + url.href));
            request.send();
        });
    };
})();

// The player's settings of the Flash control, as the emulator names them. Nothing of the
// emulator's own interface may show to a class.
const movieOptions = {
    scale: "showAll",
    letterbox: "off",
    quality: "high",
    autoplay: "on",
    contextMenu: "on",
    allowFullscreen: false,
    allowScriptAccess: true,
    allowNetworking: "all",
    wmode: "window",
    splashScreen: false,
    unmuteOverlay: "hidden",
    warnOnUnsupportedContent: false,
    showSwfDownload: false,
    openUrlMode: "deny",
    deviceFontRenderer: "canvas",
    logLevel: "error",
};

window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = { publicPath: new URL("ruffle/", document.baseURI).href, polyfills: false };

// Panels the emulator could still put over a movie; a failed load is taken away as a whole.
const hiddenPanels = "#splash-screen, #unmute-overlay, #play-button, #hardware-acceleration-modal," +
    " #clipboard-modal, #video-modal, #message-overlay { display: none !important; }";

let bridge = null;
let current = null;  // { id, player }

function callbacksOf(player) {
    return Object.getOwnPropertyNames(player).filter((name) => typeof player[name] === "function");
}

function setBackground(colour) {
    document.body.style.background = colour;
}

function unload() {
    if (current) {
        current.player.remove();
        current = null;
    }
}

// A movie that cannot be loaded leaves the panel on its background colour.
function fail(id) {
    if (current && current.id === id)
        unload();
}

function load(id, url, colour) {
    unload();
    setBackground(colour);
    const player = window.RufflePlayer.newest().createPlayer();
    current = { id, player };
    document.getElementById("stage").appendChild(player);
    const style = document.createElement("style");
    style.textContent = hiddenPanels;
    player.shadowRoot.appendChild(style);
    new MutationObserver(() => {
        if (player.shadowRoot.getElementById("panic"))
            fail(id);
    }).observe(player.shadowRoot, { childList: true, subtree: true });
    player.ruffle().addFSCommandHandler((command, args) => {
        if (current && current.id === id)
            bridge.fsCommand(id, String(command), String(args), callbacksOf(player));
    });
    // Reported once the movie's first frame has been drawn, so the player can uncover it.
    player.addEventListener("loadedmetadata", () => requestAnimationFrame(() => requestAnimationFrame(() => {
        if (current && current.id === id)
            bridge.loaded(id, callbacksOf(player));
    })));
    // A movie's relative loads (loadMovie, XML, sounds, video) resolve against its own folder.
    const base = new URL(".", url).href;
    player.load({ url, base, backgroundColor: colour, ...movieOptions }).catch(() => fail(id));
}

function callMovie(id, name, args) {
    if (!current || current.id !== id || typeof current.player[name] !== "function")
        return;
    try {
        current.player[name](...args);
    } catch (error) {
        console.warn("the movie's " + name + " failed: " + error);
    }
}

function useFont(family) {
    // Movies and pages name the Windows Chinese fonts; they stand for the installed one.
    const names = ["宋体", "新宋体", "黑体", "楷体_GB2312", "仿宋_GB2312", "微软雅黑", "SimSun", "SimHei"];
    const rules = names.map((name) => `@font-face { font-family: "${name}"; src: local("${family}"); }`);
    const style = document.createElement("style");
    style.textContent = rules.join("\n");
    document.head.appendChild(style);
    // Loaded now, so a still movie's first frame already draws its text with it.
    for (const name of names)
        document.fonts.load(`16px "${name}"`);
}

document.addEventListener("DOMContentLoaded", () => new QWebChannel(qt.webChannelTransport, (channel) => {
    bridge = channel.objects.flash;
    bridge.loadMovie.connect(load);
    bridge.unloadMovie.connect(unload);
    bridge.backgroundChanged.connect(setBackground);
    bridge.callMovie.connect(callMovie);
    bridge.fontChosen.connect(useFont);
    bridge.pageReady();
}));
