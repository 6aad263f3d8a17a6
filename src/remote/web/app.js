"use strict";
document.getElementById("send").addEventListener("click", () => {
  fetch("api/packet", {method: "POST", headers: {"Content-Type": "application/json"},
    body: JSON.stringify({command: "CmdLineUpdate", operand: document.getElementById("caption").value})});
});
