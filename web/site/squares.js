// The point's squares on the converter page: its IFBL square of 1 km with
// its square of 4 km, and its MGRS square of 1 km, each drawn to scale as an
// SVG in its own grid (Belgian Lambert 72, the zone's UTM) with the squares
// around it and their codes, and its Darwin Core terms as the core writes
// them.  The codes are the core's (convert() names the square of a point,
// square() gives its corners and texts): the page only picks the points
// around a square to ask about, and draws.
const SVG_NS = "http://www.w3.org/2000/svg";

const $ = (id) => document.getElementById(id);

// The eight neighbours of a square, as steps of its width and height.
const AROUND = [[-1, 1], [0, 1], [1, 1], [-1, 0], [1, 0], [-1, -1], [0, -1], [1, -1]];

// An affine map fitted by least squares to pairs of points (from[i] ->
// to[i]): to draw a square of another UTM zone in the grid of the square
// in the middle, and to find the positions around it, from the corners the
// core gives in both.  Over the few kilometres drawn it is within a metre.
function affine(from, to) {
  const n = from.length;
  const mean = (points, k) => points.reduce((sum, p) => sum + p[k], 0) / n;
  const [u0, v0, x0, y0] = [mean(from, 0), mean(from, 1), mean(to, 0), mean(to, 1)];
  let suu = 0, suv = 0, svv = 0, sux = 0, svx = 0, suy = 0, svy = 0;
  for (let i = 0; i < n; i++) {
    const u = from[i][0] - u0, v = from[i][1] - v0, x = to[i][0] - x0, y = to[i][1] - y0;
    suu += u * u; suv += u * v; svv += v * v;
    sux += u * x; svx += v * x; suy += u * y; svy += v * y;
  }
  const det = suu * svv - suv * suv;
  const a = (sux * svv - svx * suv) / det, b = (svx * suu - sux * suv) / det;
  const c = (suy * svv - svy * suv) / det, d = (svy * suu - suy * suv) / det;
  return ([u, v]) => [x0 + a * (u - u0) + b * (v - v0), y0 + c * (u - u0) + d * (v - v0)];
}

// The core's JSON object one term a line: line breaks and blanks go
// between its tokens only, and every value stays as the core wrote it.
export function termsPerLine(json) {
  let out = "";
  let depth = 0;
  let inString = false;
  let escaped = false;
  const indent = () => `\n${"  ".repeat(depth)}`;
  for (const c of json) {
    if (inString) {
      out += c;
      if (escaped) escaped = false;
      else if (c === "\\") escaped = true;
      else if (c === '"') inString = false;
    } else if (c === '"') {
      inString = true;
      out += c;
    } else if (c === "{" || c === "[") {
      depth++;
      out += c + indent();
    } else if (c === "}" || c === "]") {
      depth--;
      out += indent() + c;
    } else if (c === ",") {
      out += `,${indent()}`;
    } else if (c === ":") {
      out += ": ";
    } else {
      out += c;
    }
  }
  return out;
}

function element(name, attributes, text) {
  const e = document.createElementNS(SVG_NS, name);
  for (const [key, value] of Object.entries(attributes)) e.setAttribute(key, String(value));
  if (text !== undefined) e.textContent = text;
  return e;
}

// Draws squares ({ corners: [[x, y]...], centre: [x, y], code, role }) and
// the point in a grid's metres: north up, the view fitted around them, a
// scale bar of `scale` metres.
function draw(svg, title, squares, point, scale) {
  const all = squares.flatMap((s) => s.corners).concat([point]);
  const xs = all.map((p) => p[0]);
  const ys = all.map((p) => p[1]);
  const pad = 0.06 * Math.max(Math.max(...xs) - Math.min(...xs), Math.max(...ys) - Math.min(...ys));
  const left = Math.min(...xs) - pad, top = Math.max(...ys) + pad;
  const size = Math.max(Math.max(...xs) - left, top - Math.min(...ys)) + pad;
  const at = ([x, y]) => [x - left, top - y];
  const font = size / 26;
  svg.setAttribute("viewBox", `0 0 ${size} ${size}`);
  const children = [element("title", {}, title)];
  const order = { neighbour: 0, current: 1, parent: 2 };
  for (const s of [...squares].sort((p, q) => order[p.role] - order[q.role])) {
    const points = s.corners.map((p) => at(p).join(",")).join(" ");
    children.push(element("polygon", { points, class: s.role, "data-code": s.code, "vector-effect": "non-scaling-stroke" }));
  }
  // The point under the codes, which stay readable.
  const [px, py] = at(point);
  children.push(element("circle", { cx: px, cy: py, r: size / 90, class: "point" }));
  for (const s of squares) {
    if (s.role === "parent") {
      // The larger square's code at its north-west corner, inside it.
      const [x, y] = at([Math.min(...s.corners.map((p) => p[0])), Math.max(...s.corners.map((p) => p[1]))]);
      children.push(element("text", { x: x + font / 3, y: y + font / 3, "font-size": font, class: "code parent-code",
                                      "data-code": s.code }, s.code));
    } else {
      const [x, y] = at(s.centre);
      children.push(element("text", { x, y, "font-size": font, class: "code", "data-code": s.code }, s.code));
    }
  }
  // The scale bar, bottom left.
  const y = size - font;
  children.push(element("line", { x1: font, y1: y, x2: font + scale, y2: y, class: "scale", "vector-effect": "non-scaling-stroke" }));
  children.push(element("text", { x: font, y: y - font / 2, "font-size": font, class: "scale-text" },
                        scale >= 1000 ? `${scale / 1000} km` : `${scale} m`));
  svg.replaceChildren(...children);
}

function showTerms(id, square) {
  $(id).textContent = termsPerLine(square.darwinCore);
  document.querySelector(`[data-copy-text="${id}"]`).disabled = false;
}

function clear(kind, caption) {
  $(`svg-${kind}`).replaceChildren();
  $(`svg-${kind}`).removeAttribute("viewBox");
  $(`caption-${kind}`).textContent = caption;
  $(`dwc-${kind}`).textContent = "";
  document.querySelector(`[data-copy-text="dwc-${kind}"]`).disabled = true;
}

export function clearSquares() {
  clear("ifbl", "IFBL squares: no point.");
  clear("mgrs", "MGRS squares: no point.");
}

const cornersOf = (s) => Array.from(s.cornerX, (x, i) => [x, s.cornerY[i]]);

// The IFBL squares of a point given by its Lambert 72 X and Y (on the
// Belgian datum 1972, by the page's method): codes of 6 and 4 characters
// from convert(), the squares on the page's output datum.
function showIfbl(m, x, y, settings) {
  const options = { kind: "ifbl", datum: settings.datumTo, method: settings.method };
  const [code] = m.convert("lambert", [x], [y], { ifblPrecision: 6 }).IFBL;
  const [large] = m.convert("lambert", [x], [y], { ifblPrecision: 4 }).IFBL;
  if (code === "") {
    clear("ifbl", "IFBL squares: the point is outside the IFBL grid.");
    return;
  }
  const square = m.square(code, options);
  if (square.error !== "") {
    // By the grid, a square the agency's grid does not cover has its message.
    clear("ifbl", `IFBL ${code}: ${square.error}`);
    return;
  }
  const parent = m.square(large, options);
  const around = m.convert("lambert", AROUND.map(([i]) => square.centreX + i * square.width),
                           AROUND.map(([, j]) => square.centreY + j * square.height), { ifblPrecision: 6 }).IFBL;
  const shapes = [{ corners: cornersOf(square), centre: [square.centreX, square.centreY], code, role: "current" }];
  if (parent.error === "") shapes.push({ corners: cornersOf(parent), code: large, role: "parent" });
  for (const neighbour of around.filter((c) => c !== "")) {
    const s = m.square(neighbour, options);
    if (s.error !== "") continue;
    shapes.push({ corners: cornersOf(s), centre: [s.centreX, s.centreY], code: neighbour, role: "neighbour" });
  }
  draw($("svg-ifbl"), `IFBL square ${code} in ${large}, with the squares around it`, shapes, [x, y], 1000);
  const larger = parent.error === "" ? ` (${parent.uncertainty} for ${large})` : "";
  $("caption-ifbl").textContent = `IFBL ${code} (1 km) in ${large} (4 km), in Belgian Lambert 72 metres; ` +
    `coordinateUncertaintyInMeters ${square.uncertainty}${larger}.`;
  showTerms("dwc-ifbl", square);
}

// The MGRS square of 1 km of a point given in degrees on the page's output
// datum, with the UTM coordinates convert() gave it.
function showMgrs(m, r, settings) {
  const datum = settings.datumTo;
  const options = { kind: "mgrs", codeDatum: datum, datum, method: settings.method };
  const reference = (lat, lon) => m.convert("deg", lat, lon, { datumFrom: datum, datumTo: datum, mgrsPrecision: 1000 })
    .MGRS.map((t) => t.trim());
  const [code] = reference([r.Latitude[0]], [r.Longitude[0]]);
  if (code === "") {
    clear("mgrs", "MGRS squares: the point has no MGRS reference.");
    return;
  }
  const square = m.square(code, options);
  if (square.error !== "") {
    clear("mgrs", `MGRS ${code}: ${square.error}`);
    return;
  }
  const geographic = Array.from(square.cornerLongitude, (lon, i) => [lon, square.cornerLatitude[i]]);
  const toGrid = affine(geographic, cornersOf(square));
  const toGeographic = affine(cornersOf(square), geographic);
  // A square of the same zone is drawn from its own UTM corners; one
  // across the zone's edge from its corners' degrees.
  const shape = (s, c, role) => {
    const same = s.zone === square.zone && s.hemisphere === square.hemisphere;
    const corners = same ? cornersOf(s)
                         : Array.from(s.cornerLongitude, (lon, i) => toGrid([lon, s.cornerLatitude[i]]));
    const centre = same ? [s.centreX, s.centreY] : toGrid([s.centreLongitude, s.centreLatitude]);
    return { corners, centre, code: c, role };
  };
  const probes = AROUND.map(([i, j]) => toGeographic([square.centreX + i * square.width,
                                                      square.centreY + j * square.height]));
  const around = reference(probes.map((p) => p[1]), probes.map((p) => p[0]));
  const shapes = [shape(square, code, "current")];
  for (const neighbour of new Set(around.filter((c) => c !== "" && c !== code))) {
    const s = m.square(neighbour, options);
    if (s.error === "") shapes.push(shape(s, neighbour, "neighbour"));
  }
  const sameZone = r.UtmZone[0] === square.zone && r.Hemisphere[0] === square.hemisphere;
  const point = sameZone ? [r.Easting[0], r.Northing[0]] : toGrid([r.Longitude[0], r.Latitude[0]]);
  draw($("svg-mgrs"), `MGRS square ${code}, with the squares around it`, shapes, point, 1000);
  $("caption-mgrs").textContent = `MGRS ${code} (1 km${square.cut ? ", cut to its grid zone" : ""}), ` +
    `in UTM zone ${square.zone}${square.hemisphere} metres; coordinateUncertaintyInMeters ${square.uncertainty}.`;
  showTerms("dwc-mgrs", square);
}

// Both figures for point 0 of a result of convert() made with `settings`.
export function showSquares(m, r, settings) {
  for (const [kind, show] of [["ifbl", () => showIfbl(m, r.X[0], r.Y[0], settings)], ["mgrs", () => showMgrs(m, r, settings)]]) {
    try {
      show();
    } catch (error) {
      clear(kind, `${kind.toUpperCase()} squares: ${error.message}`);
    }
  }
}

// The copy buttons of the Darwin Core blocks.
export function wireSquares() {
  for (const button of document.querySelectorAll("button.copy-text")) {
    button.addEventListener("click", async () => {
      const text = $(button.dataset.copyText).textContent;
      const what = $(`${button.dataset.copyText}-title`).textContent;
      try {
        await navigator.clipboard.writeText(text);
      } catch {
        const range = document.createRange();
        range.selectNodeContents($(button.dataset.copyText));
        getSelection().removeAllRanges();
        getSelection().addRange(range);
        document.execCommand("copy");
      }
      $("copied-squares").textContent = `${what} copied.`;
      button.focus();
    });
  }
}
