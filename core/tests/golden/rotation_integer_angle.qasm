OPENQASM 3.0;
qubit[2] q;
rz(2) q[0];
rx(-3) q[1];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
