-- A product whose settings chunk is missing or broken: this must never run.
function ORBSE_BeforeInit() error("the install chunk ran without its settings") end
