// ZUL browser remote: drives the display machine through its HTTP API and follows its state
// over a WebSocket (polling /api/state while the socket is down). Every text that comes from
// the display goes into the page through textContent or attributes, never as markup.
'use strict';

(() => {
    const $ = (id) => document.getElementById(id);
    const KEY_STORE = 'zulKey';
    const SCRIPT_STORE = 'zulScript';
    const SCRIPT_MAX_BYTES = 1024 * 1024;
    const POLL_MS = 2000;
    const SCREEN_MS = 500;
    const FADE_MS = 100;
    const BACKOFF_FIRST_MS = 1000;
    const BACKOFF_LAST_MS = 5000;
    const COMMA_MESSAGE = '部品の名前と値にカンマ（,）は使えません';

    // ---- values from outside: never trusted to have the expected type

    const str = (v) => (typeof v === 'string' ? v : v == null ? '' : String(v));
    const arr = (v) => (Array.isArray(v) ? v : []);
    const oneLine = (s) => str(s).replace(/[\r\n]+/g, ' ');

    const storage = {
        get(name) {
            try {
                return localStorage.getItem(name);
            } catch (e) {
                return null;
            }
        },
        set(name, value) {
            try {
                localStorage.setItem(name, value);
                return true;
            } catch (e) {
                return false;
            }
        },
    };

    // ---- messages

    const recentToasts = new Map();

    function toast(text, kind = 'error') {
        const message = str(text) || 'エラーが起きました';
        const now = Date.now();
        if (now - (recentToasts.get(message) || 0) < 2000) {
            return;  // the same message again at once (a slider, a poll) stays one toast
        }
        recentToasts.set(message, now);
        const box = $('toasts');
        const el = document.createElement('div');
        el.className = 'toast ' + kind;
        el.textContent = message;
        box.append(el);
        while (box.children.length > 3) {
            box.firstElementChild.remove();
        }
        setTimeout(() => el.remove(), kind === 'error' ? 5000 : 2500);
    }

    window.addEventListener('error', (e) => toast('ページの内部エラー: ' + str(e.message)));
    window.addEventListener('unhandledrejection', (e) =>
        toast('ページの内部エラー: ' + str(e.reason && e.reason.message)));

    // ---- access key

    let accessKey = storage.get(KEY_STORE) || '';
    let needKey = false;

    // Header values must be printable ASCII for fetch, and lose blanks at their ends; other
    // keys go in the query instead.
    const headerSafe = (k) => /^[\x21-\x7e]([\x20-\x7e]*[\x21-\x7e])?$/.test(k);

    function withKey(url) {
        if (!accessKey) {
            return url;
        }
        return url + (url.includes('?') ? '&' : '?') + 'key=' + encodeURIComponent(accessKey);
    }

    function askKey(message) {
        needKey = true;
        stopPolling();
        setConn();
        const form = $('keyForm');
        $('keyMessage').textContent = accessKey
            ? message || 'アクセスキーが違います'
            : 'この表示機にはアクセスキーが設定されています。キーを入力してください。';
        if (form.hidden) {
            form.hidden = false;
            const input = $('keyInput');
            input.value = '';
            input.focus();
            form.scrollIntoView({block: 'nearest'});
        }
    }

    $('keyForm').addEventListener('submit', (e) => {
        e.preventDefault();
        const key = $('keyInput').value;
        if (!key) {
            $('keyMessage').textContent = 'アクセスキーを入力してください。';
            return;
        }
        accessKey = key;
        storage.set(KEY_STORE, key);
        needKey = false;
        $('keyForm').hidden = true;
        $('keyInput').blur();
        reconnectNow();
    });

    // ---- HTTP

    // One API call. Answers the parsed JSON on success and null on any failure, after showing
    // the failure (quiet: network failures are not shown, for the background polling).
    async function api(method, path, body, contentType, quiet = false) {
        const headers = {};
        let url = path;
        if (accessKey) {
            if (headerSafe(accessKey)) {
                headers['X-Zul-Key'] = accessKey;
            } else {
                url = withKey(url);
            }
        }
        if (contentType) {
            headers['Content-Type'] = contentType;
        }
        let res;
        try {
            res = await fetch(url, {method, headers, body, cache: 'no-store'});
        } catch (e) {
            if (!quiet) {
                toast('表示機と通信できません');
            }
            return null;
        }
        let data = null;
        try {
            data = await res.json();
        } catch (e) {
            data = null;
        }
        const error = data && typeof data === 'object' ? str(data.error) : '';
        if (res.status === 401) {
            askKey(error);
            return null;
        }
        if (!res.ok) {
            toast(error || `表示機がエラーを返しました（${res.status}）`);
            return null;
        }
        return data && typeof data === 'object' ? data : {};
    }

    function sendPacket(command, operand = '') {
        return api(
            'POST', '/api/packet', JSON.stringify({command, operand: str(operand)}),
            'application/json');
    }

    // ---- connection: WebSocket first, polling while it is down

    let ws = null;
    let wsOpen = false;
    let polledOk = false;
    let backoff = BACKOFF_FIRST_MS;
    let reconnectTimer = 0;
    let pollTimer = 0;
    let pollBusy = false;

    function setConn() {
        const el = $('conn');
        if (needKey) {
            el.textContent = '切断 — アクセスキーを入力してください';
        } else if (wsOpen) {
            el.textContent = '接続中';
        } else {
            el.textContent = '切断 — 再接続しています…';
        }
        el.classList.toggle('up', wsOpen && !needKey);
        el.classList.toggle('down', !wsOpen || needKey);
        kickScreen();
    }

    function connect() {
        clearTimeout(reconnectTimer);
        reconnectTimer = 0;
        if (needKey || ws) {
            return;
        }
        const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
        let sock;
        try {
            sock = new WebSocket(withKey(`${scheme}//${location.host}/ws`));
        } catch (e) {
            scheduleReconnect();
            return;
        }
        ws = sock;
        sock.onopen = () => {
            if (ws !== sock) {
                return;
            }
            wsOpen = true;
            backoff = BACKOFF_FIRST_MS;
            stopPolling();
            setConn();
        };
        sock.onmessage = (ev) => {
            if (ws !== sock) {
                return;
            }
            let msg = null;
            try {
                msg = JSON.parse(ev.data);
            } catch (e) {
                return;
            }
            if (msg && msg.type === 'state') {
                applyState(msg);
            }
        };
        sock.onerror = () => {};  // a close event follows
        sock.onclose = (ev) => {
            if (ws !== sock) {
                return;
            }
            ws = null;
            wsOpen = false;
            if (ev.code === 4001) {
                askKey('アクセスキーが違います');
                return;
            }
            setConn();
            startPolling();
            scheduleReconnect();
        };
    }

    function scheduleReconnect() {
        if (reconnectTimer || needKey) {
            return;
        }
        reconnectTimer = setTimeout(connect, backoff);
        backoff = Math.min(backoff * 2, BACKOFF_LAST_MS);
    }

    function reconnectNow() {
        if (ws) {
            const old = ws;
            ws = null;
            wsOpen = false;
            old.close();
        }
        backoff = BACKOFF_FIRST_MS;
        setConn();
        pollOnce();
        connect();
    }

    function startPolling() {
        if (!pollTimer && !needKey) {
            pollTimer = setInterval(pollOnce, POLL_MS);
            pollOnce();
        }
    }

    function stopPolling() {
        clearInterval(pollTimer);
        pollTimer = 0;
    }

    async function pollOnce() {
        if (pollBusy || needKey) {
            return;
        }
        pollBusy = true;
        const state = await api('GET', '/api/state', undefined, undefined, true);
        pollBusy = false;
        polledOk = state !== null;
        if (state) {
            applyState(state);
        }
        kickScreen();
    }

    document.addEventListener('visibilitychange', () => {
        if (!document.hidden && !wsOpen && !needKey) {
            // Phones drop sockets of pages in the background: try again at once.
            reconnectNow();
        }
        kickScreen();
    });

    // ---- state

    function applyState(s) {
        const caption = s.caption && typeof s.caption === 'object' ? s.caption : {};
        const text = str(caption.text);
        $('captionNow').textContent = text || '（なし）';
        const flags = [];
        if (caption.scroll === true) {
            flags.push('スクロール中');
        }
        if (caption.hidden === true) {
            flags.push('非表示');
        }
        $('captionFlags').textContent = flags.length ? '（' + flags.join('・') + '）' : '';

        const operators = Number(s.operators);
        $('operators').textContent =
            '操作機 ' + (Number.isFinite(operators) ? Math.max(0, Math.trunc(operators)) : 0) + '台';

        renderStatus(arr(s.status).map(str));
        const background = str(s.background);
        $('backgroundNow').textContent = background || '（なし）';
        renderFiles(arr(s.files).map(str), background, str(s.baseDir));
        applyOpacity(Number(s.opacity));
        renderParts(arr(s.parts));
        $('presentation').textContent = s.presentation === true ? '表示中' : 'なし';
    }

    let shownStatus = '';

    function renderStatus(lines) {
        const key = JSON.stringify(lines);
        if (key === shownStatus) {
            return;
        }
        shownStatus = key;
        $('statusLast').textContent = lines.length ? lines[lines.length - 1] : '状態の記録はまだありません';
        const list = $('statusLines');
        list.replaceChildren(...lines.slice().reverse().map((line) => {
            const li = document.createElement('li');
            li.textContent = line;
            return li;
        }));
    }

    // ---- caption

    let captionBusy = false;

    async function sendCaption() {
        const input = $('caption');
        const text = oneLine(input.value);
        if (!text.trim()) {
            toast('字幕が空です', 'info');
            return;
        }
        if (captionBusy) {
            return;
        }
        captionBusy = true;
        const ok = await sendPacket('CmdLineUpdate', text);
        captionBusy = false;
        if (ok && input.value === text) {
            input.value = '';
        }
    }

    $('send').addEventListener('click', sendCaption);
    $('caption').addEventListener('keydown', (e) => {
        // Enter that ends an input method's conversion is not a send.
        if (e.key === 'Enter' && !e.isComposing && e.keyCode !== 229) {
            e.preventDefault();
            sendCaption();
        }
    });
    $('scrollStop').addEventListener('click', () => sendPacket('CmdLineUpdateStop'));
    $('clearCaption').addEventListener('click', () => sendPacket('CmdLineUpdate', ''));

    // ---- script

    let script = {lines: [], cursor: -1};
    let stepBusy = false;

    function restoreScript() {
        try {
            const saved = JSON.parse(storage.get(SCRIPT_STORE) || 'null');
            if (saved && Array.isArray(saved.lines)) {
                setScript(saved.lines, Number(saved.cursor));
            }
        } catch (e) {
            // a damaged copy is dropped
        }
    }

    function saveScript() {
        storage.set(SCRIPT_STORE, JSON.stringify(script));
    }

    function setScript(lines, cursor) {
        const kinds = ['send', 'note', 'marker'];
        const clean = arr(lines).map((l) => ({
            text: str(l && l.text),
            kind: l && kinds.includes(l.kind) ? l.kind : 'note',
        }));
        const at = Number.isInteger(cursor) && cursor >= 0 && cursor < clean.length &&
                clean[cursor].kind === 'send'
            ? cursor
            : -1;
        script = {lines: clean, cursor: at};
        renderScript();
    }

    function renderScript() {
        const list = $('scriptLines');
        list.replaceChildren(...script.lines.map((line, i) => {
            const li = document.createElement('li');
            li.className = line.kind;
            li.dataset.index = String(i);
            li.textContent = line.text;
            return li;
        }));
        const sendCount = script.lines.filter((l) => l.kind === 'send').length;
        $('scriptInfo').textContent = script.lines.length
            ? `${script.lines.length}行（送る行 ${sendCount}）。行を押すとその行が現在行になります。`
            : '原稿はまだ読まれていません。';
        markCurrent();
    }

    function markCurrent() {
        const list = $('scriptLines');
        for (const li of list.querySelectorAll('li.current')) {
            li.classList.remove('current');
            li.removeAttribute('aria-current');
        }
        const li = list.children[script.cursor];
        if (li) {
            li.classList.add('current');
            li.setAttribute('aria-current', 'true');
            // Scroll the list alone, so the buttons stay under the thumb.
            list.scrollTop = li.offsetTop - list.clientHeight / 2 + li.offsetHeight / 2;
        }
    }

    async function loadScript(body, utf8) {
        const data = await api(
            'POST', utf8 ? '/api/script?encoding=utf-8' : '/api/script', body,
            utf8 ? 'text/plain; charset=utf-8' : 'application/octet-stream');
        if (data) {
            setScript(data.lines, -1);
            saveScript();
            if (data.truncated === true) {
                toast(`原稿が長すぎるため、先頭の${script.lines.length}行だけを読みました`);
            } else {
                toast('原稿を読みました', 'info');
            }
        }
        return data !== null;
    }

    $('scriptFile').addEventListener('change', async (e) => {
        const input = e.target;
        const file = input.files && input.files[0];
        input.value = '';  // the same file can be chosen again
        if (!file) {
            return;
        }
        if (file.size > SCRIPT_MAX_BYTES) {
            toast('原稿ファイルが大きすぎます（1 MiB まで）');
            return;
        }
        let bytes;
        try {
            bytes = await file.arrayBuffer();
        } catch (err) {
            toast('原稿ファイルを読めません');
            return;
        }
        await loadScript(bytes, false);
    });

    $('scriptPaste').addEventListener('click', async () => {
        const text = $('scriptText').value;
        if (!text.trim()) {
            toast('原稿が空です', 'info');
            return;
        }
        if (new TextEncoder().encode(text).length > SCRIPT_MAX_BYTES) {
            toast('原稿が大きすぎます（1 MiB まで）');
            return;
        }
        if (await loadScript(text, true)) {
            $('pasteBox').open = false;
        }
    });

    $('scriptLines').addEventListener('click', (e) => {
        const li = e.target.closest('li');
        if (!li) {
            return;
        }
        const i = Number(li.dataset.index);
        if (script.lines[i] && script.lines[i].kind === 'send') {
            script.cursor = i;
            markCurrent();
            saveScript();
        }
    });

    async function sendScriptLine(i) {
        if (stepBusy) {
            return;
        }
        stepBusy = true;
        const ok = await sendPacket('CmdLineUpdate', oneLine(script.lines[i].text));
        stepBusy = false;
        if (ok) {
            script.cursor = i;
            markCurrent();
            saveScript();
        }
    }

    function step(direction) {
        if (!script.lines.length) {
            toast('原稿がありません', 'info');
            return;
        }
        let i = script.cursor + direction;
        if (script.cursor < 0 && direction < 0) {
            i = -1;
        }
        while (i >= 0 && i < script.lines.length && script.lines[i].kind !== 'send') {
            i += direction;
        }
        if (i < 0 || i >= script.lines.length) {
            toast(direction > 0 ? '最後の行です' : '最初の行です', 'info');
            return;
        }
        sendScriptLine(i);
    }

    $('next').addEventListener('click', () => step(1));
    $('prev').addEventListener('click', () => step(-1));
    $('sendLine').addEventListener('click', () => {
        if (script.cursor < 0) {
            toast('現在行がありません', 'info');
            return;
        }
        sendScriptLine(script.cursor);
    });

    // ---- files and fade

    let shownFiles = '';

    // A file is marked as shown by its name, or by its path in the base directory.
    function renderFiles(files, background, baseDir) {
        const dir = baseDir.replace(/\/+$/, '') + '/';
        const inBase = baseDir && background.startsWith(dir) ? background.slice(dir.length) : '';
        const key = JSON.stringify(files);
        const box = $('files');
        if (key !== shownFiles) {
            shownFiles = key;
            box.replaceChildren(...files.map((name) => {
                const b = document.createElement('button');
                b.type = 'button';
                b.className = 'file';
                b.dataset.name = name;
                b.textContent = name;
                return b;
            }));
            filterFiles();
        }
        for (const b of box.querySelectorAll('button.file')) {
            const shown = b.dataset.name === background || b.dataset.name === inBase;
            b.classList.toggle('shown', shown);
            b.setAttribute('aria-pressed', shown ? 'true' : 'false');
        }
        if (!files.length && !box.querySelector('.empty')) {
            const p = document.createElement('p');
            p.className = 'empty';
            p.textContent = 'ファイルはありません';
            box.append(p);
        }
    }

    function filterFiles() {
        const needle = $('fileFilter').value.trim().toLowerCase();
        for (const b of $('files').querySelectorAll('button.file')) {
            b.hidden = needle !== '' && !b.dataset.name.toLowerCase().includes(needle);
        }
    }

    $('fileFilter').addEventListener('input', filterFiles);
    $('files').addEventListener('click', (e) => {
        const b = e.target.closest('button.file');
        if (b) {
            sendPacket('CmdWallpaper', b.dataset.name);
        }
    });

    const fade = $('fade');
    let fadeLastSent = 0;
    let fadeTimer = 0;
    let fadePending = null;
    let fadeTouched = 0;
    let fadeHeld = false;

    function flushFade() {
        fadeTimer = 0;
        if (fadePending === null) {
            return;
        }
        const value = fadePending;
        fadePending = null;
        fadeLastSent = Date.now();
        sendPacket('CmdFade', value);
    }

    fade.addEventListener('input', () => {
        fadeTouched = Date.now();
        fadePending = fade.value;
        $('fadeValue').textContent = fade.value;
        const wait = FADE_MS - (Date.now() - fadeLastSent);
        if (wait <= 0) {
            flushFade();
        } else if (!fadeTimer) {
            fadeTimer = setTimeout(flushFade, wait);
        }
    });
    fade.addEventListener('pointerdown', () => (fadeHeld = true));
    for (const name of ['pointerup', 'pointercancel']) {
        fade.addEventListener(name, () => (fadeHeld = false));
    }

    function applyOpacity(opacity) {
        // The slider under the finger is not moved by the state it is changing.
        if (!Number.isFinite(opacity) || fadeHeld || fadePending !== null ||
            Date.now() - fadeTouched < 1500) {
            return;
        }
        const v = String(Math.min(255, Math.max(0, Math.round(opacity))));
        fade.value = v;
        $('fadeValue').textContent = v;
    }

    // ---- parts

    const editing = new Set();  // names of the parts whose value is being edited
    const rowPart = new WeakMap();  // row -> the part it shows
    let shownParts = '';

    const colourOk = (c) => /^#[0-9a-fA-F]{3,8}$/.test(c);

    function setSwatch(s, colour, label) {
        s.style.backgroundColor = colourOk(colour) ? colour : '';
        s.classList.toggle('unknown', !colourOk(colour));
        s.title = label + ' ' + colour;
        s.setAttribute('aria-label', label + ' ' + colour);
    }

    // Rows are kept per part name and changed in place: a value being edited keeps its input
    // and the focus while other parts (a clock) change around it.
    function renderParts(parts) {
        const clean = parts.filter((p) => p && typeof p === 'object').map((p) => ({
            name: str(p.name),
            value: str(p.value),
            fontColour: str(p.fontColour),
            backColour: str(p.backColour),
            shown: p.shown === true,
        }));
        const key = JSON.stringify(clean);
        if (key === shownParts) {
            return;
        }
        shownParts = key;
        const list = $('parts');
        const old = new Map();
        for (const li of list.querySelectorAll('li.part')) {
            old.set(li.dataset.name, li);
        }
        const rows = clean.map((part) => {
            const li = old.get(part.name) || newPartRow();
            old.delete(part.name);
            updatePartRow(li, part);
            return li;
        });
        for (const li of list.querySelectorAll('li:not(.part)')) {
            li.remove();
        }
        for (const li of old.values()) {
            editing.delete(li.dataset.name);
            li.remove();
        }
        rows.forEach((li, i) => {
            if (list.children[i] !== li) {
                list.insertBefore(li, list.children[i] || null);
            }
        });
        if (!rows.length) {
            const li = document.createElement('li');
            li.className = 'empty';
            li.textContent = '部品はありません';
            list.append(li);
        }
    }

    function newPartRow() {
        const li = document.createElement('li');
        const name = document.createElement('span');
        name.className = 'name';
        const slot = document.createElement('span');
        slot.className = 'slot';
        const colours = document.createElement('span');
        colours.className = 'colours';
        const font = document.createElement('span');
        font.className = 'swatch';
        const back = document.createElement('span');
        back.className = 'swatch';
        colours.append(font, back);
        const shown = document.createElement('span');
        shown.className = 'shown';
        li.append(name, slot, colours, shown);
        return li;
    }

    function updatePartRow(li, part) {
        rowPart.set(li, part);
        li.dataset.name = part.name;
        li.className = 'part' + (part.shown ? '' : ' off');
        const [name, slot, colours, shown] = li.children;
        name.textContent = part.name;
        if (!editing.has(part.name)) {
            slot.replaceChildren(valueButton(li));
        }
        setSwatch(colours.children[0], part.fontColour, '文字色');
        setSwatch(colours.children[1], part.backColour, '背景色');
        shown.textContent = part.shown ? '表示' : '非表示';
    }

    function valueButton(li) {
        const b = document.createElement('button');
        b.type = 'button';
        b.className = 'value';
        b.textContent = rowPart.get(li).value || '（空）';
        b.addEventListener('click', () => startEdit(li));
        return b;
    }

    function startEdit(li) {
        const name = rowPart.get(li).name;
        if (name.includes(',')) {
            toast(COMMA_MESSAGE);
            return;
        }
        const slot = li.children[1];
        const input = document.createElement('input');
        input.type = 'text';
        input.className = 'value-edit';
        input.value = rowPart.get(li).value;
        input.setAttribute('enterkeyhint', 'send');
        input.setAttribute('aria-label', name + ' の値');
        let done = false;
        const finish = () => {
            done = true;
            editing.delete(name);
            slot.replaceChildren(valueButton(li));
        };
        const commit = async (explicit) => {
            if (done || input.disabled) {
                return;
            }
            const value = oneLine(input.value);
            if (!explicit && value === rowPart.get(li).value) {
                finish();
                return;
            }
            if (value.includes(',')) {
                toast(COMMA_MESSAGE);
                input.classList.add('invalid');
                return;
            }
            input.classList.remove('invalid');
            input.disabled = true;
            const ok = await sendPacket('CmdPartUpdate', `${name},${value},,`);
            input.disabled = false;
            if (ok) {
                // Shown at once; the next state from the display confirms it.
                rowPart.set(li, {...rowPart.get(li), value});
                finish();
            } else if (input.isConnected) {
                input.focus();
            }
        };
        input.addEventListener('keydown', (e) => {
            if (e.key === 'Enter' && !e.isComposing && e.keyCode !== 229) {
                e.preventDefault();
                commit(true);
            } else if (e.key === 'Escape') {
                finish();
            }
        });
        input.addEventListener('blur', () => commit(false));
        editing.add(name);
        slot.replaceChildren(input);
        input.focus();
        input.select();
    }

    // ---- slide show

    const slideButtons = {
        pptStart: 'CmdPptStart',
        pptPrev: 'CmdPptPageUp',
        pptNext: 'CmdPptNext',
        pptStop: 'CmdPptStop',
    };
    for (const [id, command] of Object.entries(slideButtons)) {
        $(id).addEventListener('click', () => sendPacket(command));
    }

    // ---- live picture: reloaded while it is on screen and the display answers

    const screen = $('screen');
    let screenVisible = !('IntersectionObserver' in window);
    let screenLoading = false;
    let screenTimer = 0;

    function screenWanted() {
        return screenVisible && !document.hidden && !needKey && (wsOpen || polledOk);
    }

    function kickScreen() {
        if (screenLoading || screenTimer || !screenWanted()) {
            return;
        }
        screenLoading = true;
        screen.src = withKey('/api/screen.jpg') + (accessKey ? '&' : '?') + 't=' + Date.now();
    }

    function screenDone(ok) {
        screenLoading = false;
        $('screenInfo').textContent = ok ? '' : '画面を取得できません';
        clearTimeout(screenTimer);
        screenTimer = setTimeout(() => {
            screenTimer = 0;
            kickScreen();
        }, SCREEN_MS);
    }

    screen.addEventListener('load', () => screenDone(true));
    screen.addEventListener('error', () => screenDone(false));
    if ('IntersectionObserver' in window) {
        new IntersectionObserver((entries) => {
            screenVisible = entries.some((e) => e.isIntersecting);
            kickScreen();
        }).observe(screen);
    }

    // ---- start

    restoreScript();
    setConn();
    pollOnce();
    connect();
})();
