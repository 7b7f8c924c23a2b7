// The browser sources' page script, put into picture.html after its `const PAGE="tower";` (or
// "ticker"). These opening comment lines are for its readers and are not sent to browsers.
//
// It keeps one picture (the tower, or the ticker's line), which patches change in part, or one
// ranking strip, and draws it on a canvas of the window's size; the canvas is enlarged by whole
// pixels (?scale=N) without smoothing. A strip scrolls on the browser's own clock from the moment
// the window starts scrolling it, at the speed it gives, so a slow frame never slows it. Messages
// are handled strictly in order, although decoding an image is asynchronous.
(() => {
  const params = new URLSearchParams(location.search);
  const scale = Math.max(1, Math.min(8, parseInt(params.get("scale") || "1", 10) || 1));
  const transparent = params.get("transparent") === "1";
  const canvas = document.getElementById("picture");
  const context = canvas.getContext("2d");
  const picture = document.createElement("canvas");
  const pictureContext = picture.getContext("2d");
  const state = { frames: 0, latencies: [], picture: null, strip: null, offset: 0, end: 0,
                  speed: 100, scrollFrom: null, connected: false };
  window.kestrune = state;
  let queue = Promise.resolve();
  let pending = null;

  function resize(width, height) {
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    canvas.style.width = width * scale + "px";
    canvas.style.height = height * scale + "px";
  }

  function stripOffset() {
    let offset = state.offset;
    if (state.scrollFrom !== null) {
      offset += Math.floor((performance.now() - state.scrollFrom) * state.speed / 1000);
    }
    return Math.min(offset, state.end);
  }

  function draw() {
    context.clearRect(0, 0, canvas.width, canvas.height);
    if (state.strip) {
      context.drawImage(state.strip, -stripOffset(), 0);
    } else if (state.picture) {
      context.drawImage(picture, 0, 0);
    }
  }

  let animating = false;
  function animate() {
    draw();
    animating = state.strip !== null && state.scrollFrom !== null;
    if (animating) {
      requestAnimationFrame(animate);
    }
  }
  function startAnimation() {
    if (!animating) {
      animating = true;
      requestAnimationFrame(animate);
    }
  }

  function shown(message) {
    requestAnimationFrame(() => {
      state.frames += 1;
      state.latencies.push(Date.now() - message.drawnAt);
      if (state.latencies.length > 1000) state.latencies.shift();
    });
  }

  async function handle(data) {
    if (typeof data === "string") {
      const message = JSON.parse(data);
      if (message.kind === "scroll") {
        state.offset = message.offset;
        state.scrollFrom = performance.now();
        startAnimation();
        return;
      }
      pending = message;
      return;
    }
    const message = pending;
    pending = null;
    if (!message) return;
    const bitmap = await createImageBitmap(data);
    resize(message.width, message.height);
    if (message.kind === "strip") {
      state.strip = bitmap;
      state.offset = message.offset;
      state.end = message.end;
      state.speed = message.speed || 100;
      state.scrollFrom = message.scrolling ? performance.now() : null;
      draw();
      startAnimation();
    } else {
      if (message.kind === "patch") {
        // Boxes of the picture last sent, stacked in one image; a box replaces what was there.
        let from = 0;
        for (const [x, y, width, height] of message.boxes) {
          pictureContext.clearRect(x, y, width, height);
          pictureContext.drawImage(bitmap, 0, from, width, height, x, y, width, height);
          from += height;
        }
      } else {
        picture.width = message.width;
        picture.height = message.height;
        pictureContext.drawImage(bitmap, 0, 0);
      }
      state.strip = null;
      state.scrollFrom = null;
      state.picture = picture;
      draw();
    }
    shown(message);
  }

  function connect() {
    // Another PC's page carries the read token; its live channel needs it too.
    const query = new URLSearchParams();
    if (transparent) query.set("transparent", "1");
    if (params.get("token")) query.set("token", params.get("token"));
    const socket = new WebSocket("ws://" + location.host + "/socket/" + PAGE +
                                 (query.toString() ? "?" + query.toString() : ""));
    socket.binaryType = "blob";
    socket.onopen = () => { state.connected = true; };
    socket.onmessage = (event) => {
      queue = queue.then(() => handle(event.data)).catch(() => {});
    };
    socket.onclose = () => {
      state.connected = false;
      pending = null;
      setTimeout(connect, 1000);
    };
  }
  connect();
})();
